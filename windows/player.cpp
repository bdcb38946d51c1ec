#include "windows/player.h"

#include "app/tastora.h"

namespace tastora {

FormSpec TFLashplayer::Layout() {
    FormSpec f = MakeForm(FormId::flashplayer, "flashplayer", BorderStyle::None, true, 696, 480);
    f.maximized = true;
    f.keyPreview = true;

    // Lies behind the movie and fills the window.
    ControlSpec panel = MakeControl("Panel1", ControlKind::Panel, 0, 0, 696, 480, "Panel1");
    panel.alignClient = true;
    panel.takesFocus = false;
    f.controls.push_back(panel);

    f.onCreate = [this] { FormCreate(); };
    f.onKeyDown = [this](uint16_t& key) { FormKeyDown(key); };
    return f;
}

void TFLashplayer::FormCreate() {}

void TFLashplayer::PlaySwf(const std::string&) {}

void TFLashplayer::FormKeyDown(uint16_t&) {}

}  // namespace tastora
