#pragma once
// The welcome sheet: a greeting and the numbered steps it is given, closed by "Am înțeles" (Return).
#include <functional>
#include <vector>

#include "app/home/home_model.h"
#include "app/kit/sheet_background.h"

namespace orvane::kit {
class KitButton;
}

namespace orvane::home {

class WelcomeSheet final : public kit::GlassSheet {
    Q_OBJECT
public:
    static constexpr int sheetWidth = 560;

    WelcomeSheet(const std::vector<WelcomeStep>& steps, std::function<void()> dismiss, QWidget* parent = nullptr);

    kit::KitButton* closeButton() const { return close_; }
    // The rows of the steps card, in order.
    const QList<QWidget*>& stepRows() const { return rows_; }

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    std::function<void()> dismiss_;
    kit::KitButton* close_;
    QList<QWidget*> rows_;
};

}  // namespace orvane::home
