#include "ui/fltk_progress.h"

#include <FL/Fl.H>
#include <FL/fl_draw.H>
#include <algorithm>

namespace ordo::detail {

namespace {

constexpr int kBlockWidth = 6;
constexpr int kBlockGap = 2;
constexpr int kInset = 2;  // the sunken border

}  // namespace

TFltkBarWidget::TFltkBarWidget(int x, int y, int w, int h) : Fl_Widget(x, y, w, h) {
    box(FL_THIN_DOWN_BOX);
    color(FL_BACKGROUND_COLOR);
    selection_color(fl_rgb_color(0, 0, 128));
}

void TFltkBarWidget::SetRange(int max, int position) {
    max_ = max;
    position_ = position;
    redraw();
}

void TFltkBarWidget::draw() {
    draw_box();
    const int innerW = w() - 2 * kInset;
    if (max_ <= 0 || position_ <= 0 || innerW <= 0) return;
    const int filled = static_cast<int>(static_cast<long long>(innerW) * position_ / max_);
    fl_color(selection_color());
    for (int offset = 0; offset < filled; offset += kBlockWidth + kBlockGap)
        fl_rectf(x() + kInset + offset, y() + kInset, std::min(kBlockWidth, filled - offset), h() - 2 * kInset);
}

TFltkProgressBar::TFltkProgressBar(TFltkBarWidget& widget, TFltkSession& session, int max, bool visible)
    : widget_(widget), session_(session), max_(std::max(0, max)) {
    if (!visible) widget_.hide();
    widget_.SetRange(max_, position_);
}

void TFltkProgressBar::SetMax(int value) {
    max_ = std::max(0, value);
    position_ = std::min(position_, max_);
    Changed();
}

void TFltkProgressBar::SetPosition(int value) {
    position_ = std::clamp(value, 0, max_);
    Changed();
}

void TFltkProgressBar::SetVisible(bool value) {
    if (value == Visible()) return;
    if (value) {
        widget_.show();
    } else {
        widget_.hide();
    }
    // Hiding uncovers the window's own background, which must be drawn again.
    if (widget_.window() != nullptr) widget_.window()->redraw();
    session_.Invalidate();
}

void TFltkProgressBar::Repaint() {
    widget_.redraw();
    session_.FlushNow();
}

void TFltkProgressBar::Changed() {
    widget_.SetRange(max_, position_);
    session_.Invalidate();
}

}  // namespace ordo::detail
