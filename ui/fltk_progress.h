#pragma once
// The progress bar of the FLTK windows: drawn in blocks on a sunken strip, as the classic
// desktop bar is, and driven through IUiProgressBar.
#include <FL/Fl_Widget.H>

#include "ui/fltk_session.h"
#include "ui/ui.h"

namespace ordo::detail {

class TFltkBarWidget : public Fl_Widget {
public:
    TFltkBarWidget(int x, int y, int w, int h);
    void SetRange(int max, int position);

protected:
    void draw() override;

private:
    int max_ = 100;
    int position_ = 0;
};

class TFltkProgressBar : public IUiProgressBar {
public:
    TFltkProgressBar(TFltkBarWidget& widget, TFltkSession& session, int max, bool visible);
    void SetMax(int value) override;
    [[nodiscard]] int Max() const override { return max_; }
    void SetPosition(int value) override;
    [[nodiscard]] int Position() const override { return position_; }
    void SetVisible(bool value) override;
    [[nodiscard]] bool Visible() const override { return widget_.visible() != 0; }
    void Repaint() override;

private:
    void Changed();

    TFltkBarWidget& widget_;
    TFltkSession& session_;
    int max_;
    int position_ = 0;
};

}  // namespace ordo::detail
