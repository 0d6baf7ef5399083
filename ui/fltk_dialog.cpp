#include <FL/Fl.H>
#include <FL/Fl_Box.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Double_Window.H>
#include <FL/Fl_Return_Button.H>
#include <FL/fl_draw.H>
#include <algorithm>
#include <optional>

#include "platform/process.h"
#include "ui/fltk_windows.h"

namespace ordo::detail {

namespace {

constexpr int kMargin = 14;
constexpr int kMaxTextWidth = 420;
constexpr int kButtonW = 80, kButtonH = 26, kButtonGap = 8;
constexpr int kTextSize = 14;
constexpr int kLabelSlack = 8;

std::string ProgramName() {
    std::string path = ExeFileName();
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// A message box: the text, and OK, or Yes and No with the default answer on Enter; Y and N
// answer too. Escape and the close box answer as a user who declines would: OK for a message,
// No for a question.
class TDialogForm : public Fl_Double_Window {
public:
    TDialogForm(const std::string& utf8Text, bool question, bool defaultAnswer)
        : Fl_Double_Window(10, 10), text_(0, 0, 1, 1), default_(0, 0, 1, 1), other_(0, 0, 1, 1),
          question_(question) {
        end();
        text_.copy_label(utf8Text.c_str());
        text_.labelsize(kTextSize);
        text_.align(FL_ALIGN_LEFT | FL_ALIGN_TOP | FL_ALIGN_INSIDE | FL_ALIGN_WRAP);
        if (question) {
            Wire(default_, defaultAnswer);
            Wire(other_, !defaultAnswer);
        } else {
            default_.label("확인");  // codepage: utf-8 (FLTK draws UTF-8 text)
            default_.callback([](Fl_Widget*, void* self) { static_cast<TDialogForm*>(self)->answer_ = true; }, this);
            other_.hide();
        }
        Layout(defaultAnswer);
        callback([](Fl_Widget*, void* self) {
            auto* form = static_cast<TDialogForm*>(self);
            form->answer_ = !form->question_;
        }, this);
    }
    ~TDialogForm() override {
        remove(text_);
        remove(default_);
        remove(other_);
    }
    [[nodiscard]] const std::optional<bool>& Answer() const { return answer_; }

private:
    void Wire(Fl_Button& button, bool yes) {
        button.label(yes ? "예" : "아니요");  // codepage: utf-8 (FLTK draws UTF-8 text)
        button.shortcut(yes ? 'y' : 'n');
        // The callback's data is the form; which answer a button gives is in the function.
        if (yes) {
            button.callback([](Fl_Widget*, void* self) { static_cast<TDialogForm*>(self)->answer_ = true; }, this);
        } else {
            button.callback([](Fl_Widget*, void* self) { static_cast<TDialogForm*>(self)->answer_ = false; }, this);
        }
    }
    void Layout(bool defaultAnswer);

    Fl_Box text_;
    Fl_Return_Button default_;  // takes Enter
    Fl_Button other_;
    bool question_;
    std::optional<bool> answer_;
};

void TDialogForm::Layout(bool defaultAnswer) {
    fl_font(FL_HELVETICA, kTextSize);
    int textW = kMaxTextWidth, textH = 0;
    fl_measure(text_.label(), textW, textH, 0);
    textW += kLabelSlack;  // a label is drawn a little inside its box
    const int buttonsW = question_ ? 2 * kButtonW + kButtonGap : kButtonW;
    const int width = std::max({textW, buttonsW, 160}) + 2 * kMargin;
    const int height = kMargin + std::max(textH, kTextSize) + kMargin + kButtonH + kMargin;
    size(width, height);
    size_range(width, height, width, height);
    text_.resize(kMargin, kMargin, width - 2 * kMargin, height - 3 * kMargin - kButtonH);
    const int buttonY = height - kMargin - kButtonH;
    const int leftX = (width - buttonsW) / 2;
    const int rightX = leftX + kButtonW + kButtonGap;
    if (!question_) {
        default_.resize(leftX, buttonY, kButtonW, kButtonH);
        return;
    }
    // Yes stands left of No, whichever of them is the default.
    default_.resize(defaultAnswer ? leftX : rightX, buttonY, kButtonW, kButtonH);
    other_.resize(defaultAnswer ? rightX : leftX, buttonY, kButtonW, kButtonH);
}

}  // namespace

bool RunFltkDialog(TFltkSession& session, std::string_view ansiText, bool question, bool defaultAnswer) {
    TDialogForm form(ToUtf8(ansiText), question, defaultAnswer);
    form.copy_label(ProgramName().c_str());
    int x = 0, y = 0, w = 0, h = 0;
    Fl::screen_xywh(x, y, w, h, 0);
    form.position(x + (w - form.w()) / 2, y + (h - form.h()) / 2);
    session.AddWindow(form);
    form.set_modal();
    form.show();
    session.FlushNow();
    session.Invalidate();
    // Served like the main loop, as a system message box serves its thread's other windows.
    bool answered = true;
    TMessage msg;
    while (!form.Answer()) {
        if (!GetMessage(msg)) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            answered = false;
            break;
        }
        DispatchMessage(msg);
    }
    session.RemoveWindow(form);
    form.hide();
    session.FlushNow();
    return answered ? *form.Answer() : defaultAnswer;
}

}  // namespace ordo::detail
