#include "windows/rules.h"

#include "app/tastora.h"

namespace tastora {

FormSpec Tfh::Layout() {
    FormSpec f;
    f.id = FormId::fh;
    f.onCreate = [this] { FormCreate(); };
    return f;
}

void Tfh::FormCreate() {}
void Tfh::Button1Click() {}
void Tfh::Button2Click() {}
void Tfh::Button3Click() {}
void Tfh::Button4Click() {}
void Tfh::Button5Click() {}
void Tfh::FormClick() {}
void Tfh::Memo1Click() {}

}  // namespace tastora
