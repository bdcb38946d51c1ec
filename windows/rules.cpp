#include "windows/rules.h"

#include "windows/text_file.h"

namespace tastora {

namespace {

const char* const kCaption = "Правила печати на компьютере";
const char* const kExit = "Выход";
const char* const kPlaceholder =
    "Текст правил печати не найден.\r\n"
    "Он должен находиться в файле data\\prav.txt.";

// A picture button: its caption, and what it shows in the picture window (the window's
// outer size is fixed per picture).
struct Illustration {
    const char* button;
    int top;
    const char* caption;
    const char* path;
    int height, width;
};
const Illustration kIllustrations[4] = {
    {"Рисунок 1", 8, "Рисунок 1", "data\\pictures\\help\\1.jpg", 338, 910},
    {"Рисунок 2", 40, "Рисунок  2", "data\\pictures\\help\\2.jpg", 181, 157},
    {"Рисунок 3", 72, "Рисунок  3", "data\\pictures\\help\\3.jpg", 175, 153},
    {"Рисунок 4", 104, "Рисунок  4", "data\\pictures\\help\\4.jpg", 176, 148},
};

}  // namespace

FormSpec RulesWindow::Layout() {
    FormSpec f = MakeForm(FormId::Rules, kCaption, BorderStyle::Sizeable, false, 696, 480);
    f.centered = false;
    f.left = 201;
    f.top = 121;

    ControlSpec memo = MakeControl("Memo1", ControlKind::Memo, 8, 8, 585, 425, kPlaceholder, 0);
    memo.readOnly = true;
    memo.verticalScrollBar = true;
    memo.onClick = [this] { OnTextClick(); };
    controls.text = f.Add<EditHandle>(memo);

    for (int i = 0; i < 4; ++i) {
        ControlSpec b = MakeControl("Button" + std::to_string(i + 1), ControlKind::Button, 600, kIllustrations[i].top,
                                    81, 25, kIllustrations[i].button, i + 1);
        b.onClick = [this, i] { OnPictureClick(i + 1); };
        controls.pictures[size_t(i)] = f.Add<ButtonHandle>(b);
    }
    ControlSpec exit = MakeControl("Button5", ControlKind::Button, 600, 408, 81, 25, kExit, 5);
    exit.onClick = [this] { OnExitClick(); };
    controls.exit = f.Add<ButtonHandle>(exit);

    f.onCreate = [this] { OnCreate(); };
    f.onClick = [this] { OnBackgroundClick(); };
    return f;
}

void RulesWindow::OnCreate() {
    // Buttons, then the text, then the caption: a missing text leaves the laid-out caption.
    for (int i = 0; i < 4; ++i) ui_.SetText(controls.pictures[size_t(i)], kIllustrations[i].button);
    ui_.SetText(controls.exit, kExit);
    LoadMemoFromFile(ui_, controls.text, "data\\prav.txt");
    ui_.SetCaption(FormId::Rules, kCaption);
}

void RulesWindow::OnPictureClick(int number) {
    if (number < 1 || number > 4) return;
    const Illustration& shown = kIllustrations[number - 1];
    picture_.ShowPicture(shown.caption, shown.path, shown.height, shown.width);
}

void RulesWindow::OnExitClick() {
    ui_.Hide(FormId::Rules);
    picture_.Hide();
}

void RulesWindow::OnBackgroundClick() { picture_.Hide(); }
void RulesWindow::OnTextClick() { picture_.Hide(); }

}  // namespace tastora
