#include "app/projects/project_row.h"

#include <QContextMenuEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QTimer>
#include <QVBoxLayout>

#include "app/kit/appearance.h"
#include "app/kit/buttons.h"
#include "app/kit/cards.h"
#include "app/kit/fonts.h"
#include "app/kit/icons.h"
#include "app/kit/localization.h"
#include "app/kit/symbol_button.h"
#include "app/kit/text.h"
#include "app/kit/tooltips.h"
#include "app/projects/project_cover.h"

namespace orvane::projects {

namespace {

bool dark() { return kit::Appearance::instance().isDark(); }

kit::KitButton* outlineButton(const QString& text, const QString& symbol, const QString& name) {
    auto* b = new kit::KitButton(text, kit::ButtonLook::outline);
    b->setSymbol(symbol);
    b->setObjectName(name);
    b->setProperty("controlSize", QStringLiteral("small"));
    return b;
}

// The rename field's capsule: the primary colour at 10 % with an accent ring at 70 %.
QString renameFieldStyle() {
    const bool d = dark();
    const QColor fill = kit::withAlpha(kit::primaryLabelColor.resolve(d), 0.10);
    const QColor ring = kit::withAlpha(kit::accentColor().resolve(d), 0.7);
    return QStringLiteral("QLineEdit{background:%1;color:%3;border:1.5px solid %2;border-radius:13px;padding:3px 10px;}")
        .arg(fill.name(QColor::HexArgb), ring.name(QColor::HexArgb), kit::primaryLabelColor.resolve(d).name());
}

// The selection mark: an empty circle, or a filled check mark in the accent colour when selected.
class CheckMark final : public QWidget {
public:
    CheckMark() {
        setObjectName(QStringLiteral("checkMark"));
        setFixedSize(20, 20);
        setAttribute(Qt::WA_TransparentForMouseEvents);
    }
    void setChecked(bool checked) {
        if (checked == checked_) return;
        checked_ = checked;
        update();
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        kit::icons::paint(p, checked_ ? QStringLiteral("checkmark.circle.fill") : QStringLiteral("circle"),
                          QRectF(rect()), (checked_ ? kit::accentColor() : kit::mutedColor).resolve(dark()));
    }

private:
    bool checked_ = false;
};

}  // namespace

kit::CircleSymbolButton* listIconButton(const QString& symbol, bool destructive) {
    auto* b = new kit::CircleSymbolButton(symbol, 30, 13, destructive ? kit::badColor : kit::mutedColor,
                                          kit::primaryLabelColor.opacity(0.06));
    // A click on it must not take the focus from the rename field (a focus loss commits).
    b->setFocusPolicy(Qt::NoFocus);
    return b;
}

ProjectRow::ProjectRow(ProjectsListModel& list, const Project& project, ProjectFilter section, ProjectThumb* thumb,
                       QWidget* parent)
    : QWidget(parent), list_(list), project_(project), section_(section), thumb_(thumb) {
    setObjectName(QStringLiteral("projectRow"));
    setAttribute(Qt::WA_Hover);
    setCursor(Qt::PointingHandCursor);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(16, 14, 16, 14);
    row->setSpacing(12);

    check_ = new CheckMark;
    row->addWidget(check_);
    row->addWidget(thumb_);

    auto* block = new QVBoxLayout;
    block->setSpacing(2);
    nameLine_ = new QHBoxLayout;
    nameLine_->setContentsMargins(0, 0, 0, 0);
    name_ = new kit::KitLabel(QString(), kit::uiFont(15.5, QFont::DemiBold));
    name_->setObjectName(QStringLiteral("name"));
    name_->setElideMode(Qt::ElideRight);
    name_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    nameLine_->addWidget(name_);
    block->addLayout(nameLine_);
    subtitle_ = new kit::KitLabel(QString(), kit::uiFont(12.5));
    subtitle_->setObjectName(QStringLiteral("subtitle"));
    subtitle_->setColor(kit::mutedColor);
    subtitle_->setElideMode(Qt::ElideRight);
    subtitle_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    block->addWidget(subtitle_);
    row->addLayout(block, 1);

    failed_ = new QWidget;
    auto* failedRow = new QHBoxLayout(failed_);
    failedRow->setContentsMargins(0, 0, 0, 0);
    failedRow->setSpacing(4);
    auto* warning = new kit::SymbolView(QStringLiteral("exclamationmark.triangle.fill"), 11.5);
    warning->setInk(kit::badColor);
    failedRow->addWidget(warning);
    failedCount_ = new kit::KitLabel(QString(), kit::uiFont(11.5));
    failedCount_->setColor(kit::badColor);
    failedRow->addWidget(failedCount_);
    row->addWidget(failed_);

    progress_ = new QWidget;
    auto* progress = new QVBoxLayout(progress_);
    progress->setContentsMargins(0, 0, 0, 0);
    progress->setSpacing(3);
    progressText_ = new kit::KitLabel(QString(), kit::uiFont(11.5));
    progressText_->setColor(kit::mutedColor);
    progressText_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    progress->addWidget(progressText_, 0, Qt::AlignRight);
    bar_ = new kit::PillBar(0, kit::StatusKind::accent);
    bar_->setFixedWidth(90);
    progress->addWidget(bar_);
    row->addWidget(progress_);

    export_ = outlineButton(kit::localized("Export în Lightroom"), QStringLiteral("square.and.arrow.up"), "export");
    reedit_ = outlineButton(kit::localized("Reeditează"), QStringLiteral("arrow.triangle.2.circlepath"), "reedit");
    for (auto* b : {export_, reedit_}) {
        b->setFocusPolicy(Qt::NoFocus);
        row->addWidget(b);
    }
    connect(export_, &QAbstractButton::clicked, this, [this] { list_.requestExport(project_.id); });
    connect(reedit_, &QAbstractButton::clicked, this, [this] { list_.openReedit(project_.id); });

    auto* trailing = new QHBoxLayout;
    trailing->setSpacing(6);
    renameDone_ = new kit::KitButton(kit::localized("Gata"), kit::ButtonLook::accent);
    renameDone_->setSymbol(QStringLiteral("checkmark"));
    renameDone_->setObjectName(QStringLiteral("renameDone"));
    renameDone_->setProperty("controlSize", QStringLiteral("small"));
    renameDone_->setFocusPolicy(Qt::NoFocus);
    connect(renameDone_, &QAbstractButton::clicked, this, [this] { list_.commitRename(project_); });
    renameCancel_ = listIconButton(QStringLiteral("xmark"), false);
    renameCancel_->setObjectName(QStringLiteral("renameCancel"));
    kit::quickTip(renameCancel_, QString::fromUtf8("Renunță"));
    connect(renameCancel_, &QAbstractButton::clicked, this, [this] { list_.cancelRename(project_); });
    rename_ = listIconButton(QStringLiteral("pencil"), false);
    rename_->setObjectName(QStringLiteral("rename"));
    kit::quickTip(rename_, QString::fromUtf8("Redenumește"));
    connect(rename_, &QAbstractButton::clicked, this, [this] { list_.beginRename(project_); });
    trash_ = listIconButton(QStringLiteral("trash"), true);
    trash_->setObjectName(QStringLiteral("trash"));
    kit::quickTip(trash_, QString::fromUtf8("Șterge proiectul"));
    connect(trash_, &QAbstractButton::clicked, this, [this] {
        // After this click has finished: the alert must not run inside the button's own handler.
        QTimer::singleShot(0, this, [this] { list_.confirmDelete(project_); });
    });
    for (QWidget* w : std::initializer_list<QWidget*>{renameDone_, renameCancel_, rename_, trash_})
        trailing->addWidget(w);
    row->addLayout(trailing);
    chevron_ = new kit::SymbolView(QStringLiteral("chevron.right"), 11);
    chevron_->setInk(kit::mutedColor.opacity(0.6));
    row->addWidget(chevron_);

    connect(&kit::Appearance::instance(), &kit::Appearance::changed, this, [this] {
        if (editor_) editor_->setStyleSheet(renameFieldStyle());
    });
    sync(project, section);
}

ProjectRow::~ProjectRow() { dropEditor(); }

bool ProjectRow::renaming() const { return list_.renamingID() == project_.id; }

void ProjectRow::sync(const Project& project, ProjectFilter section) {
    project_ = project;
    section_ = section;
    const bool selecting = list_.selecting();
    const bool isSelected = list_.selected().count(project_.id) > 0;
    const bool editing = renaming();

    static_cast<CheckMark*>(check_)->setChecked(isSelected);
    check_->setVisible(selecting);

    const SectionLook look = sectionLook(section_);
    thumb_->setProject(project_, look.symbol, look.tint);

    const QString name = QString::fromStdString(project_.name);
    name_->setText(name);
    kit::labelTip(name_, name, false);
    const QString subtitle = projectSubtitle(project_);
    subtitle_->setText(subtitle);
    kit::labelTip(subtitle_, subtitle, false);

    const auto failed = project_.failed();
    failed_->setVisible(failed >= 1);
    failedCount_->setText(kit::localizedCount("%lld", {(long long)failed}));

    const auto progress = progressText(project_, section_);
    progress_->setVisible(progress.has_value());
    if (progress) {
        progressText_->setText(*progress);
        bar_->setFraction(progressFraction(project_));
    }

    const bool handOver = section_ != ProjectFilter::active && !selecting;
    export_->setVisible(handOver);
    reedit_->setVisible(handOver);

    renameDone_->setVisible(!selecting && editing);
    renameCancel_->setVisible(!selecting && editing);
    rename_->setVisible(!selecting && !editing);
    trash_->setVisible(!selecting && !editing);
    // Taken while the row is drawn outside selection and rename, so the job is made and kept then.
    if (!selecting && !editing) trash_->setEnabled(!list_.isBusy(project_));
    chevron_->setVisible(!selecting);
    syncEditor();
    update();
}

void ProjectRow::syncEditor() {
    const bool editing = renaming();
    name_->setVisible(!editing);
    if (editing && !editor_) {
        editor_ = new QLineEdit(list_.renameText());
        editor_->setObjectName(QStringLiteral("renameField"));
        editor_->setPlaceholderText(kit::localized("Nume proiect"));
        editor_->setFont(kit::uiFont(15.5, QFont::DemiBold));
        editor_->setFrame(false);
        editor_->setMaximumWidth(380);
        editor_->setStyleSheet(renameFieldStyle());
        editor_->installEventFilter(this);
        connect(editor_, &QLineEdit::textEdited, this, [this](const QString& text) { list_.setRenameText(text); });
        connect(editor_, &QLineEdit::returnPressed, this, [this] { list_.commitRename(project_); });
        nameLine_->addWidget(editor_);
        // The focus once the field is on screen.
        QTimer::singleShot(0, editor_, [editor = editor_] { editor->setFocus(Qt::OtherFocusReason); });
    } else if (!editing && editor_) {
        dropEditor();
    }
}

void ProjectRow::dropEditor() {
    if (!editor_) return;
    // Taking the field away is not a focus loss the user made: it never commits.
    editor_->removeEventFilter(this);
    editor_->disconnect(this);
    editor_->hide();
    editor_->deleteLater();
    editor_ = nullptr;
}

bool ProjectRow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == editor_) {
        if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
            list_.dismissRename();
            return true;
        }
        if (event->type() == QEvent::FocusOut && renaming()) list_.commitRename(project_);
    }
    return QWidget::eventFilter(watched, event);
}

QAbstractButton* ProjectRow::control(const QString& name) const {
    for (QAbstractButton* b : std::initializer_list<QAbstractButton*>{export_, reedit_, renameDone_, renameCancel_,
                                                                      rename_, trash_})
        if (b->objectName() == name) return b->isVisibleTo(this) ? b : nullptr;
    return nullptr;
}

QString ProjectRow::nameText() const { return name_->text(); }
QString ProjectRow::subtitleText() const { return subtitle_->text(); }
QString ProjectRow::progressLabel() const { return progress_->isVisibleTo(this) ? progressText_->text() : QString(); }
QString ProjectRow::failedLabel() const { return failed_->isVisibleTo(this) ? failedCount_->text() : QString(); }
bool ProjectRow::highlighted() const { return list_.hovered() == project_.id; }
bool ProjectRow::showsCheckMark() const { return check_->isVisibleTo(this); }

void ProjectRow::setFirst(bool first) {
    first_ = first;
    update();
}

void ProjectRow::setLast(bool last) {
    last_ = last;
    update();
}

void ProjectRow::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor primary = kit::primaryLabelColor.resolve(dark());
    if (highlighted()) {
        // Square where rows meet, rounded like the card at its top and bottom.
        const QRectF r(rect());
        const double top = first_ ? 12 : 0, bottom = last_ ? 12 : 0;
        QPainterPath path;
        path.moveTo(r.left(), r.top() + top);
        path.arcTo(QRectF(r.left(), r.top(), 2 * top, 2 * top), 180, -90);
        path.lineTo(r.right() - top, r.top());
        path.arcTo(QRectF(r.right() - 2 * top, r.top(), 2 * top, 2 * top), 90, -90);
        path.lineTo(r.right(), r.bottom() - bottom);
        path.arcTo(QRectF(r.right() - 2 * bottom, r.bottom() - 2 * bottom, 2 * bottom, 2 * bottom), 0, -90);
        path.lineTo(r.left() + bottom, r.bottom());
        path.arcTo(QRectF(r.left(), r.bottom() - 2 * bottom, 2 * bottom, 2 * bottom), 270, -90);
        path.closeSubpath();
        p.fillPath(path, kit::withAlpha(primary, 0.05));
    }
    p.setRenderHint(QPainter::Antialiasing, false);
    if (!first_) {
        p.setPen(QPen(kit::withAlpha(primary, 0.1), 1));
        p.drawLine(QPointF(68, 0.5), QPointF(width(), 0.5));
    }
}

void ProjectRow::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) event->accept();  // the release comes here
    else QWidget::mousePressEvent(event);
}

void ProjectRow::enterEvent(QEnterEvent* event) {
    list_.enterRow(project_.id);
    QWidget::enterEvent(event);
}

void ProjectRow::leaveEvent(QEvent* event) {
    list_.leaveRow(project_.id);
    QWidget::leaveEvent(event);
}

void ProjectRow::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !rect().contains(event->position().toPoint())) return;
    if (list_.selecting()) list_.toggleSelection(project_.id);
    else list_.openProject(project_.id);
}

QMenu* ProjectRow::makeContextMenu(QWidget* parent) {
    auto* menu = new QMenu(parent);
    ProjectsListModel* list = &list_;
    const Project project = project_;
    menu->addAction(kit::localized("Deschide"), menu, [list, id = project.id] { list->openProject(id); });
    menu->addAction(kit::localized("Redenumește"), menu, [list, project] { list->beginRename(project); });
    return menu;
}

void ProjectRow::contextMenuEvent(QContextMenuEvent* event) {
    QPointer<ProjectRow> self(this);
    QMenu* menu = makeContextMenu(nullptr);
    menu->exec(event->globalPos());
    delete menu;
    // The menu held the focus while "Redenumește" ran: the field takes it once the menu has gone.
    if (self && self->editor_) self->editor_->setFocus(Qt::OtherFocusReason);
}

}  // namespace orvane::projects
