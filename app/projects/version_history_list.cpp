#include "app/projects/version_history_list.h"

#include <QContextMenuEvent>
#include <QHBoxLayout>
#include <QMenu>
#include <QPainter>
#include <QScrollArea>

#include "app/kit/appearance.h"
#include "app/kit/buttons.h"
#include "app/kit/dialogs.h"
#include "app/kit/fonts.h"
#include "app/kit/localization.h"
#include "app/kit/text.h"

namespace orvane::projects {

namespace {

kit::KitLabel* label(const QString& text, const QFont& font, kit::AdaptiveColor color, bool localized,
                     const char* name) {
    auto* l = new kit::KitLabel(text, font);
    l->setLocalized(localized);
    l->setColor(color);
    l->setObjectName(QString::fromLatin1(name));
    return l;
}

// One version: its texts on the left, "Revino" on the right; a right click offers "Redenumește".
class VersionRow final : public QWidget {
public:
    VersionRow(const VersionHistoryModel::Row& row, std::function<void()> restore,
               std::function<std::unique_ptr<QMenu>()> menu)
        : menu_(std::move(menu)) {
        auto* outer = new QHBoxLayout(this);
        outer->setContentsMargins(14, 9, 14, 9);
        outer->setSpacing(12);
        outer->setAlignment(Qt::AlignTop);
        auto* texts = new QVBoxLayout;
        texts->setSpacing(2);
        auto* titleRow = new QHBoxLayout;
        titleRow->setSpacing(6);
        auto* title = label(row.title, kit::uiFont(12.5, QFont::Medium), kit::primaryLabelColor, false, "title");
        title->setElideMode(Qt::ElideRight);
        titleRow->addWidget(title, 0, Qt::AlignVCenter);
        if (row.current)
            titleRow->addWidget(label("Curentă", kit::uiFont(10.5, QFont::Medium), kit::accentColor(), true, "current"),
                                0, Qt::AlignVCenter);
        titleRow->addStretch(1);
        texts->addLayout(titleRow);
        if (row.dateLine)
            texts->addWidget(label(*row.dateLine, kit::uiFont(kit::TextStyle::smallestCaption), kit::mutedColor, false,
                                   "dateLine"));
        auto* description =
            label(row.description, kit::uiFont(kit::TextStyle::caption), kit::mutedColor, false, "description");
        description->setMaxLines(0);
        texts->addWidget(description);
        outer->addLayout(texts, 1);
        outer->addSpacing(8);
        auto* revert = new kit::KitButton(QStringLiteral("Revino"), kit::ButtonLook::outline);
        revert->setObjectName(QStringLiteral("restore"));
        revert->setProperty("controlSize", "small");
        revert->setParent(this);  // its size follows the control size of its surroundings
        // The description wraps in the room the list leaves it; its height is fixed for that width, since
        // the scroll area sizes its rows by their hints.
        const int room = VersionHistoryList::listWidth - 14 * 2 - 12 - 8 - revert->sizeHint().width();
        description->setFixedHeight(description->heightForWidth(room));
        revert->setEnabled(!row.current);
        connect(revert, &QAbstractButton::clicked, this, std::move(restore));
        outer->addWidget(revert, 0, Qt::AlignTop);
    }

protected:
    void contextMenuEvent(QContextMenuEvent* event) override {
        auto menu = menu_();
        menu->exec(event->globalPos());
    }

private:
    std::function<std::unique_ptr<QMenu>()> menu_;
};

}  // namespace

HairlineDivider::HairlineDivider(int indent, QWidget* parent) : QWidget(parent), indent_(indent) {
    setFixedHeight(1);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void HairlineDivider::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(QRect(indent_, 0, width() - indent_, 1),
               kit::primaryLabelColor.opacity(0.1).resolve(kit::Appearance::instance().isDark()));
}

VersionHistoryList::VersionHistoryList(std::shared_ptr<Job> job, VersionHistoryModel::Restore onRestore,
                                       QWidget* parent)
    : QWidget(parent), model_(std::move(job), std::move(onRestore)) {
    setFixedWidth(listWidth);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);
    auto* headingBox = new QWidget;
    auto* headingLayout = new QVBoxLayout(headingBox);
    headingLayout->setContentsMargins(14, 14, 14, 14);
    headingLayout->addWidget(
        label("Istoric versiuni", kit::uiFont(13, QFont::DemiBold), kit::primaryLabelColor, true, "heading"));
    outer->addWidget(headingBox);
    outer->addWidget(new HairlineDivider);
    scroll_ = new QScrollArea;
    scroll_->setFrameShape(QFrame::NoFrame);
    scroll_->setWidgetResizable(true);
    scroll_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll_->setMaximumHeight(maxScrollHeight);
    scroll_->viewport()->setAutoFillBackground(false);
    auto* content = new QWidget;
    content->setAutoFillBackground(false);
    list_ = new QVBoxLayout(content);
    list_->setContentsMargins(0, 0, 0, 0);
    list_->setSpacing(0);
    list_->addStretch(1);
    scroll_->setWidget(content);
    content->setAutoFillBackground(false);  // setWidget turned it on
    outer->addWidget(scroll_);
    connect(&model_, &VersionHistoryModel::changed, this, &VersionHistoryList::refresh);
    refresh();
}

void VersionHistoryList::refresh() {
    for (QWidget* w : rows_) {
        list_->removeWidget(w);
        w->deleteLater();
    }
    rows_.clear();
    data_ = model_.rows();
    int at = 0;
    for (std::size_t i = 0; i < data_.size(); ++i) {
        auto* block = new QWidget;
        auto* column = new QVBoxLayout(block);
        column->setContentsMargins(0, 0, 0, 0);
        column->setSpacing(0);
        const EditVersion version = data_[i].version;
        column->addWidget(new VersionRow(
            data_[i], [this, version] { model_.restore(version); }, [this, i] { return makeRowMenu(int(i)); }));
        column->addWidget(new HairlineDivider(14));
        list_->insertWidget(at++, block);
        rows_.push_back(block);
    }
    // The scroll area is as high as its rows (their wrapped descriptions included), up to its limit.
    int height = 0;
    for (QWidget* w : rows_)
        height += w->hasHeightForWidth() ? w->heightForWidth(listWidth) : w->sizeHint().height();
    scroll_->setFixedHeight(std::min(height, maxScrollHeight));
}

QAbstractButton* VersionHistoryList::restoreButton(int index) const {
    return row(index)->findChild<QAbstractButton*>(QStringLiteral("restore"));
}

QString VersionHistoryList::rowTitle(int index) const {
    return row(index)->findChild<kit::KitLabel*>(QStringLiteral("title"))->text();
}

QString VersionHistoryList::rowDescription(int index) const {
    return row(index)->findChild<kit::KitLabel*>(QStringLiteral("description"))->text();
}

bool VersionHistoryList::rowShowsDateLine(int index) const {
    return row(index)->findChild<kit::KitLabel*>(QStringLiteral("dateLine")) != nullptr;
}

bool VersionHistoryList::rowIsCurrent(int index) const {
    return row(index)->findChild<kit::KitLabel*>(QStringLiteral("current")) != nullptr;
}

std::unique_ptr<QMenu> VersionHistoryList::makeRowMenu(int index) {
    auto menu = std::make_unique<QMenu>();
    QAction* rename = menu->addAction(kit::localized("Redenumește"));
    connect(rename, &QAction::triggered, this, [this, index] { renameRow(index); });
    return menu;
}

void VersionHistoryList::renameRow(int index) {
    if (index < 0 || std::size_t(index) >= data_.size()) return;
    model_.beginRename(data_[std::size_t(index)].version);
    const auto typed = kit::dialogs().askForText(kit::localized("Redenumește"), model_.newName(),
                                                 kit::localized("Nume"), kit::localized("Salvează"));
    if (!typed) {
        model_.cancelRename();
        return;
    }
    model_.setNewName(*typed);
    model_.saveRename();
}

}  // namespace orvane::projects
