#include "windows/player.h"

#include "app/tastora.h"

namespace tastora {

FormSpec TFLashplayer::Layout() {
    FormSpec f;
    f.id = FormId::flashplayer;
    f.onCreate = [this] { FormCreate(); };
    return f;
}

void TFLashplayer::FormCreate() {}
void TFLashplayer::PlaySwf(const std::string&) {}
void TFLashplayer::FormKeyDown(uint16_t&) {}

}  // namespace tastora
