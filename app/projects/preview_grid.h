#pragma once
// The preview grid: one cell per photo in adaptive columns at least `columnMin` wide, 12 apart; each
// cell a 3:2 picture area (a faint rounded plate with the picture fitted inside) over the file name.
// Before the first load a cell shows a small progress mark, afterwards the "photo" symbol while it has
// no picture. The grid loads when it first comes on screen; "original" flips every cell between base
// and render at once, without reading or rendering anything.
#include <QWidget>

class QPainter;

#include <memory>
#include <optional>
#include <vector>

#include "app/projects/preview_grid_model.h"

namespace orvane::projects {

// The small progress mark: a quarter arc, starting `angle` degrees clockwise from the top, on a faint ring.
void paintProgressMark(QPainter& painter, const QRectF& ring, const QColor& ink, int angle);

class PreviewGrid final : public QWidget {
    Q_OBJECT
public:
    static constexpr int gap = 12;
    static constexpr double aspect = 1.5;
    static constexpr double radius = 14;

    PreviewGrid(std::shared_ptr<Job> job, std::optional<std::vector<PhotoItem>> only, bool showOriginal,
                double columnMin, std::shared_ptr<MainExecutor> main,
                PreviewServices services = PreviewServices::standard(), QWidget* parent = nullptr);

    PreviewGridModel& model() { return model_; }
    void setShowOriginal(bool original);
    bool showOriginal() const { return original_; }
    double columnMin() const { return columnMin_; }
    int columns(int width) const;
    // Where cell `index` and its picture area lie at the current width.
    QRectF cellRect(int index) const;
    QRectF pictureRect(int index) const;
    // What a cell shows now: a picture, the progress mark or the "photo" symbol.
    enum class CellContent { picture, progress, symbol };
    CellContent content(int index) const;

    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    double cellWidth(int width) const;
    double rowHeight(int width) const;

    PreviewGridModel model_;
    bool original_;
    double columnMin_;
};

}  // namespace orvane::projects
