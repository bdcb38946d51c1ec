#include "app/tastora.h"
#include "core/ini.h"
#include "exercise/exercise.h"

namespace tastora {

TForm2::TForm2(Tastora& app) : app_(app) {}
TForm2::~TForm2() = default;

FormSpec TForm2::Layout() {
    FormSpec f;
    f.id = FormId::Form2;
    f.caption = "Form2";
    f.onCreate = [this] { FormCreate(); };
    return f;
}

void TForm2::FormCreate() {}
void TForm2::Timer1Timer() {}
void TForm2::BPauzaMouseDown() {}
void TForm2::BResetMouseDown() {}
void TForm2::Button1MouseDown() {}
void TForm2::SpeedButton1Click() {}
void TForm2::SpeedButton2Click() {}
void TForm2::FormClick() {}
void TForm2::FormClose() {}

}  // namespace tastora
