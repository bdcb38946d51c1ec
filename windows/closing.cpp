#include "windows/closing.h"

#include "app/tastora.h"

namespace tastora {

FormSpec TForm6::Layout() {
    FormSpec f;
    f.id = FormId::Form6;
    f.onCreate = [this] { FormCreate(); };
    return f;
}

void TForm6::FormCreate() {}
void TForm6::Button1Click() {}

}  // namespace tastora
