#include "windows/info.h"

#include "app/tastora.h"

namespace tastora {

FormSpec TFi::Layout() {
    FormSpec f;
    f.id = FormId::Fi;
    f.onCreate = [this] { FormCreate(); };
    return f;
}

void TFi::FormCreate() {}
void TFi::Button1Click() {}
void TFi::Button2Click() {}
void TFi::FormClick() {}

}  // namespace tastora
