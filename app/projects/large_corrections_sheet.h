#pragma once
// The sheet of the photos that got the largest exposure correction (at least one stop either way, the
// largest first, at most 12) as approximate previews; from it the user closes it or goes on to the
// re-edit page of the project. Escape closes, Return re-edits.
#include <QPointer>

#include <functional>
#include <memory>

#include "app/kit/sheet_background.h"
#include "app/model/router.h"
#include "app/projects/preview_grid.h"

class QAbstractButton;
class QScrollArea;

namespace orvane::projects {

class BigCorrectionsSheet final : public kit::GlassSheet {
    Q_OBJECT
public:
    static constexpr int sheetWidth = 720;
    static constexpr int limit = 12;
    static constexpr double threshold = 1.0;

    // `close` dismisses the sheet (its owner deletes it).
    BigCorrectionsSheet(std::shared_ptr<Job> job, model::Router& router, std::shared_ptr<MainExecutor> main,
                        std::function<void()> close, PreviewServices services = PreviewServices::standard(),
                        QWidget* parent = nullptr);

    PreviewGrid* grid() const { return grid_; }
    QScrollArea* scrollArea() const { return scroll_; }
    QAbstractButton* closeButton() const { return closeButton_; }
    QAbstractButton* reeditButton() const { return reeditButton_; }
    void reedit();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    std::shared_ptr<Job> job_;
    QPointer<model::Router> router_;
    std::function<void()> close_;
    PreviewGrid* grid_;
    QScrollArea* scroll_;
    QAbstractButton* closeButton_;
    QAbstractButton* reeditButton_;
};

}  // namespace orvane::projects
