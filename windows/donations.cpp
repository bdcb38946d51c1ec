#include "windows/donations.h"

#include "app/tastora.h"

namespace tastora {

FormSpec TDonatii::Layout() {
    FormSpec f;
    f.id = FormId::Donatii;
    f.onCreate = [this] { FormCreate(); };
    return f;
}

void TDonatii::FormCreate() {}
void TDonatii::Button1Click() {}


FormSpec TDonatii2::Layout() {
    FormSpec f;
    f.id = FormId::Donatii2;
    f.onCreate = [this] { FormCreate(); };
    return f;
}

void TDonatii2::FormCreate() {}
void TDonatii2::Button1Click() {}

}  // namespace tastora
