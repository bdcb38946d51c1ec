#include "windows/rules.h"

#include "app/tastora.h"
#include "core/image_io.h"
#include "windows/text_file.h"

namespace tastora {

namespace {

const char* const kCaption = "Правила печати на компьютере";
const char* const kButtonCaptions[5] = {"Рисунок 1", "Рисунок 2", "Рисунок 3", "Рисунок 4", "Выход"};
const char* const kPlaceholder =
    "Текст правил печати не найден.\r\n"
    "Он должен находиться в файле data\\prav.txt.";

}  // namespace

FormSpec RulesWindow::Layout() {
    FormSpec f = MakeForm(FormId::Rules, kCaption, BorderStyle::Sizeable, false, 696, 480);
    f.centered = false;
    f.left = 201;
    f.top = 121;

    ControlSpec memo = MakeControl("Memo1", ControlKind::Memo, 8, 8, 585, 425, kPlaceholder, 0);
    memo.readOnly = true;
    memo.verticalScrollBar = true;
    memo.onClick = [this] { Memo1Click(); };
    f.controls.push_back(memo);

    const int tops[5] = {8, 40, 72, 104, 408};
    const std::function<void()> clicks[5] = {
        [this] { Button1Click(); }, [this] { Button2Click(); }, [this] { Button3Click(); },
        [this] { Button4Click(); }, [this] { Button5Click(); }};
    for (int i = 0; i < 5; ++i) {
        ControlSpec b = MakeControl("Button" + std::to_string(i + 1), ControlKind::Button, 600, tops[i], 81, 25,
                                    kButtonCaptions[i], i + 1);
        b.onClick = clicks[i];
        f.controls.push_back(b);
    }

    f.onCreate = [this] { FormCreate(); };
    f.onClick = [this] { FormClick(); };
    return f;
}

void RulesWindow::FormCreate() {
    UiPort& ui = app_.ui;
    for (int i = 0; i < 5; ++i)
        ui.SetText(FormId::Rules, "Button" + std::to_string(i + 1), kButtonCaptions[i]);
    LoadMemoFromFile(ui, FormId::Rules, "Memo1", "data\\prav.txt");
    ui.SetCaption(FormId::Rules, kCaption);
}

void RulesWindow::ShowPicture(const std::string& caption, const std::string& path, int height, int width) {
    UiPort& ui = app_.ui;
    ui.SetCaption(FormId::Picture, caption);
    const Bitmap picture = LoadJpeg(path);
    ui.SetImage(FormId::Picture, "Image1", picture);
    // The window's size is fixed per picture, whatever the picture's own size.
    ui.SetOuterHeight(FormId::Picture, height);
    ui.SetOuterWidth(FormId::Picture, width);
    ui.Show(FormId::Picture);
}

void RulesWindow::Button1Click() { ShowPicture("Рисунок 1", "data\\pictures\\help\\1.jpg", 338, 910); }
void RulesWindow::Button2Click() { ShowPicture("Рисунок  2", "data\\pictures\\help\\2.jpg", 181, 157); }
void RulesWindow::Button3Click() { ShowPicture("Рисунок  3", "data\\pictures\\help\\3.jpg", 175, 153); }
void RulesWindow::Button4Click() { ShowPicture("Рисунок  4", "data\\pictures\\help\\4.jpg", 176, 148); }

void RulesWindow::Button5Click() {
    app_.ui.Hide(FormId::Rules);
    app_.ui.Hide(FormId::Picture);
}

void RulesWindow::FormClick() { app_.ui.Hide(FormId::Picture); }
void RulesWindow::Memo1Click() { app_.ui.Hide(FormId::Picture); }

}  // namespace tastora
