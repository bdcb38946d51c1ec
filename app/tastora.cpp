#include "app/tastora.h"

#include "core/errors.h"

namespace tastora {

Tastora::Tastora(UiPort& port)
    : ui(port),
      Form1(*this),
      Form2(*this),
      Form3(*this),
      Form6(*this),
      Fprogres(*this),
      fh(*this),
      Fpic(*this),
      Fi(*this),
      Donatii(*this),
      Donatii2(*this),
      flashplayer(*this) {}

FormSpec Tastora::LayoutOf(FormId id) {
    switch (id) {
        case FormId::Form1: return Form1.Layout();
        case FormId::Form2: return Form2.Layout();
        case FormId::Form3: return Form3.Layout();
        case FormId::Form6: return Form6.Layout();
        case FormId::Fprogres: return Fprogres.Layout();
        case FormId::fh: return fh.Layout();
        case FormId::Fpic: return Fpic.Layout();
        case FormId::Fi: return Fi.Layout();
        case FormId::Donatii: return Donatii.Layout();
        case FormId::Donatii2: return Donatii2.Layout();
        case FormId::flashplayer: return flashplayer.Layout();
    }
    return FormSpec{};
}

int Tastora::Run() {
    ui.InitializeCom();
    ui.SetApplicationTitle("Tastora");

    // Windows 1 to 10: each is built hidden from its layout, then its creation handler runs.
    // A failure inside a creation handler is shown and the start-up goes on.
    static const FormId kOrder[] = {FormId::Form1, FormId::Form2, FormId::Form3, FormId::Form6,
                                    FormId::Fprogres, FormId::fh, FormId::Fpic, FormId::Fi,
                                    FormId::Donatii, FormId::Donatii2};
    for (FormId id : kOrder) {
        const FormSpec desc = LayoutOf(id);
        ui.CreateForm(desc);
        RunGuarded(ui, desc.onCreate);
    }

    SystemDirectory = ui.SystemDirectory();
    if (SystemDirectory.size() > 2047) SystemDirectory.resize(2047);

    // The presentation window comes last, with the Flash control installed if need be.
    ProvisionFlashControl();

    ui.RunEventLoop(FormId::Form1);

    Form1.CurrentUserName.clear();
    ui.UninitializeCom();
    return 0;
}

}  // namespace tastora
