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

FormSpec Tfh::Layout() {
    FormSpec f;
    f.id = FormId::fh;
    f.caption = kCaption;
    f.border = BorderStyle::Sizeable;
    f.clientSize = false;
    f.width = 696;
    f.height = 480;
    f.centered = false;
    f.left = 201;
    f.top = 121;

    ControlSpec memo;
    memo.name = "Memo1";
    memo.kind = ControlKind::Memo;
    memo.left = 8;
    memo.top = 8;
    memo.width = 585;
    memo.height = 425;
    memo.text = kPlaceholder;
    memo.readOnly = true;
    memo.wordWrap = true;
    memo.verticalScrollBar = true;
    memo.tabOrder = 0;
    memo.onClick = [this] { Memo1Click(); };
    f.controls.push_back(memo);

    const int tops[5] = {8, 40, 72, 104, 408};
    for (int i = 0; i < 5; ++i) {
        ControlSpec b;
        b.name = "Button" + std::to_string(i + 1);
        b.kind = ControlKind::Button;
        b.left = 600;
        b.top = tops[i];
        b.width = 81;
        b.height = 25;
        b.text = kButtonCaptions[i];
        b.tabOrder = i + 1;
        f.controls.push_back(b);
    }
    f.controls[1].onClick = [this] { Button1Click(); };
    f.controls[2].onClick = [this] { Button2Click(); };
    f.controls[3].onClick = [this] { Button3Click(); };
    f.controls[4].onClick = [this] { Button4Click(); };
    f.controls[5].onClick = [this] { Button5Click(); };

    f.onCreate = [this] { FormCreate(); };
    f.onClick = [this] { FormClick(); };
    return f;
}

void Tfh::FormCreate() {
    UiPort& ui = app_.ui;
    for (int i = 0; i < 5; ++i)
        ui.SetText(FormId::fh, "Button" + std::to_string(i + 1), kButtonCaptions[i]);
    LoadMemoFromFile(ui, FormId::fh, "Memo1", "data\\prav.txt");
    ui.SetCaption(FormId::fh, kCaption);
}

void Tfh::ShowPicture(const std::string& caption, const std::string& path, int height, int width) {
    UiPort& ui = app_.ui;
    ui.SetCaption(FormId::Fpic, caption);
    const Bitmap picture = LoadJpeg(path);
    ui.SetImage(FormId::Fpic, "Image1", picture);
    // The window's size is fixed per picture, whatever the picture's own size.
    ui.SetOuterHeight(FormId::Fpic, height);
    ui.SetOuterWidth(FormId::Fpic, width);
    ui.Show(FormId::Fpic);
}

void Tfh::Button1Click() { ShowPicture("Рисунок 1", "data\\pictures\\help\\1.jpg", 338, 910); }
void Tfh::Button2Click() { ShowPicture("Рисунок  2", "data\\pictures\\help\\2.jpg", 181, 157); }
void Tfh::Button3Click() { ShowPicture("Рисунок  3", "data\\pictures\\help\\3.jpg", 175, 153); }
void Tfh::Button4Click() { ShowPicture("Рисунок  4", "data\\pictures\\help\\4.jpg", 176, 148); }

void Tfh::Button5Click() {
    app_.ui.Hide(FormId::fh);
    app_.ui.Hide(FormId::Fpic);
}

void Tfh::FormClick() { app_.ui.Hide(FormId::Fpic); }
void Tfh::Memo1Click() { app_.ui.Hide(FormId::Fpic); }

}  // namespace tastora
