#include "windows/picture.h"

#include "app/tastora.h"

namespace tastora {

FormSpec TFpic::Layout() {
    FormSpec f;
    f.id = FormId::Fpic;
    f.onCreate = [this] { FormCreate(); };
    return f;
}

void TFpic::FormCreate() {}

}  // namespace tastora
