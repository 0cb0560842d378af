#pragma once
// The feedback form: a message, an optional contact and the versions, sent straight to the developer;
// after a failure it offers the mail program and the clipboard instead.
#include <functional>
#include <memory>

#include "app/guide/feedback_model.h"
#include "app/kit/sheet_background.h"

class QAbstractButton;
class QCheckBox;
class QLineEdit;
class QPlainTextEdit;

namespace orvane::kit {
class KitButton;
class KitLabel;
class SheetCloseButton;
}  // namespace orvane::kit

namespace orvane::guide {

class FeedbackSheet final : public kit::GlassSheet {
    Q_OBJECT
public:
    static constexpr int sheetWidth = 560;

    FeedbackSheet(FeedbackConfig config, FeedbackServices services, std::shared_ptr<MainExecutor> main,
                  std::function<void()> dismiss, QWidget* parent = nullptr);

    FeedbackModel& model() { return model_; }
    QPlainTextEdit* messageEditor() const { return message_; }
    QLineEdit* contactField() const { return contact_; }
    QCheckBox* includeInfoSwitch() const { return includeInfo_; }
    kit::KitButton* sendButton() const { return send_; }
    kit::KitButton* cancelButton() const { return cancel_; }
    kit::KitButton* mailButton() const { return mail_; }
    kit::KitButton* copyButton() const { return copy_; }
    QAbstractButton* addressButton() const { return address_; }
    kit::KitLabel* statusLabel() const { return status_; }
    kit::SheetCloseButton* closeButton() const { return close_; }

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void refresh();
    void dismiss();

    FeedbackModel model_;
    std::function<void()> dismiss_;
    QPlainTextEdit* message_;
    QLineEdit* contact_;
    QCheckBox* includeInfo_;
    kit::KitButton* mail_;
    kit::KitButton* copy_;
    kit::KitButton* cancel_;
    kit::KitButton* send_;
    QAbstractButton* address_;
    kit::KitLabel* status_;
    kit::SheetCloseButton* close_;
};

}  // namespace orvane::guide
