#include "windows/progress.h"

#include "app/tastora.h"

namespace tastora {

FormSpec TFprogres::Layout() {
    FormSpec f;
    f.id = FormId::Fprogres;
    f.onCreate = [this] { FormCreate(); };
    return f;
}

void TFprogres::FormCreate() {}

}  // namespace tastora
