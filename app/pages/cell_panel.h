// A panel of cells inside a host window: draws its background (a colour, an
// image slice or both) and its shown cells, turns the pen into taps (pen-up
// over the cell that had the pen-down) and double taps on shown, enabled
// cells, and tells `state` its cells as rows of texts.
#pragma once
#include <functional>
#include <string>
#include <vector>

#include "cell.h"
#include "shell/platform/window.h"

namespace vpages {

class CellPanel : public vp::Window {
public:
    explicit CellPanel(std::string name) : name_(std::move(name)) {}
    const std::string &name() const { return name_; }

    std::vector<Cell> cells;
    // The background under the cells: a fill, then optionally an image slice.
    Color fillColor = rgb(224, 224, 224);
    bool filled = true;
    const vp::Image *background = nullptr;
    vp::Rect backgroundSource;
    // How `state` groups the cells: rows of `columns` cells (0: one row).
    int columns = 0;
    int reportTop = 0;
    int reportSelected = -1;

    std::function<void(int cell, vp::Point)> onTap;
    std::function<void(int cell, vp::Point)> onDoubleTap;
    std::function<void(int cell, vp::Point)> onPenDown;

    // The shown, enabled cell under a point, or -1.
    int cellAt(vp::Point p) const;
    int pressed() const { return pressed_; }

    void paint(vp::Canvas &c) override;
    void penDown(vp::Point p) override;
    void penMove(vp::Point p) override;
    void penUp(vp::Point p) override;
    void doubleTap(vp::Point p) override;
    void report(vp::StateReport &r) const override;

private:
    std::string name_;
    int pressed_ = -1;
};

}  // namespace vpages
