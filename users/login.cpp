#include "users/login.h"

#include "app/tastora.h"

namespace tastora {

FormSpec TForm1::Layout() {
    FormSpec f;
    f.id = FormId::Form1;
    f.caption = "Tastora 1.3";
    f.border = BorderStyle::ToolWindow;
    f.width = 248;
    f.height = 110;
    f.onCreate = [this] { FormCreate(); };
    return f;
}

void TForm1::FormCreate() {}
void TForm1::cbalegenumeChange() {}
void TForm1::BnouClick() {}
void TForm1::BacceptClick() {}
void TForm1::BStergeClick() {}

}  // namespace tastora
