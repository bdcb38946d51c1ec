#include "results/results.h"

#include "app/tastora.h"

namespace tastora {

FormSpec TForm3::Layout() {
    FormSpec f;
    f.id = FormId::Form3;
    f.onCreate = [this] { FormCreate(); };
    return f;
}

void TForm3::FormCreate() {}
void TForm3::FormPaint() {}
void TForm3::FormClose() {}
void TForm3::Button1Click() {}
void TForm3::EvaluateExercise(int, int, int) {}
void TForm3::GenerateReviewText() {}

}  // namespace tastora
