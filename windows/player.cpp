#include "windows/player.h"

#include "app/tastora.h"

namespace tastora {

FormSpec TFLashplayer::Layout() {
    FormSpec f;
    f.id = FormId::flashplayer;
    f.caption = "flashplayer";
    f.border = BorderStyle::None;
    f.clientSize = true;
    f.width = 696;
    f.height = 480;
    f.centered = true;
    f.maximized = true;
    f.keyPreview = true;

    // Lies behind the movie and fills the window.
    ControlSpec panel;
    panel.name = "Panel1";
    panel.kind = ControlKind::Panel;
    panel.text = "Panel1";
    panel.alignClient = true;
    panel.width = 696;
    panel.height = 480;
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
