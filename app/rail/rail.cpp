#include "app/rail/rail.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QEnterEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLinearGradient>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QScrollArea>
#include <QScrollBar>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

#include "app/kit/app_style.h"
#include "app/kit/appearance.h"
#include "app/kit/buttons.h"
#include "app/kit/fonts.h"
#include "app/kit/glass.h"
#include "app/kit/icons.h"
#include "app/kit/palette.h"
#include "app/kit/tooltips.h"
#include "app/model/app_version.h"

namespace orvane::rail {

namespace {

QString railText(const char* text) { return QCoreApplication::translate("Rail", text); }
bool dark() { return kit::Appearance::instance().isDark(); }
QColor accent() { return kit::accentColor().resolve(dark()); }
QColor muted() { return kit::mutedColor.resolve(dark()); }
QColor ink(double opacity = 1.0) { return kit::withAlpha(kit::primaryLabelColor.resolve(dark()), opacity); }

// The full text of a name or status line the layout may cut, shown as it stands. A text that changes
// while its tip waits or shows keeps the tip's state: the activity cards change every second.
void fullTextTip(QWidget* view, const QString& text) {
    if (kit::QuickTip* tip = kit::QuickTip::on(view)) {
        if (tip->options().text != text) tip->setText(text);
        return;
    }
    kit::labelTip(view, text, false);
}

// An explanatory tip whose text the rail has already put together in the user's language.
void builtTip(QWidget* view, const QString& text) {
    const auto wrap = kit::explanatoryWrapWidth(text);
    kit::QuickTip* tip = kit::QuickTip::on(view);
    if (tip && tip->options().wrapWidth == wrap && tip->options().delaySeconds == kit::quickTipDelay) {
        if (tip->options().text != text) tip->setText(text);
        return;
    }
    kit::QuickTip::attach(view, {text, kit::quickTipDelay, true, wrap, false});
}

// A label drawn in the rail's colours, read afresh when it paints.
class RailLabel final : public QLabel {
public:
    RailLabel(const QString& text, double points, int weight, bool mutedText, QWidget* parent = nullptr)
        : QLabel(text, parent), muted_(mutedText) {
        setFont(kit::uiFont(points, weight));
        setAttribute(Qt::WA_TransparentForMouseEvents);
    }

protected:
    void paintEvent(QPaintEvent* event) override {
        QPalette p = palette();
        p.setColor(QPalette::WindowText, muted_ ? muted() : ink());
        setPalette(p);
        QLabel::paintEvent(event);
    }

private:
    bool muted_;
};

// A chromeless button that draws one icon on a circle.
class RoundIconButton final : public QAbstractButton {
public:
    RoundIconButton(QString icon, int size, double glyph, std::function<QColor()> glyphColor,
                    std::function<QColor()> fill, QWidget* parent = nullptr)
        : QAbstractButton(parent), icon_(std::move(icon)), size_(size), glyph_(glyph), glyphColor_(std::move(glyphColor)),
          fill_(std::move(fill)) {
        setFixedSize(size, size);
        setCursor(Qt::PointingHandCursor);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        if (!isEnabled()) p.setOpacity(0.45);
        p.setPen(Qt::NoPen);
        p.setBrush(fill_());
        p.drawEllipse(QRectF(rect()));
        const double g = glyph_;
        kit::icons::paint(p, icon_, QRectF((size_ - g) / 2, (size_ - g) / 2, g, g), glyphColor_());
    }

private:
    QString icon_;
    int size_;
    double glyph_;
    std::function<QColor()> glyphColor_;
    std::function<QColor()> fill_;
};

// A chromeless button of text only.
class TextButton final : public QAbstractButton {
public:
    TextButton(const QString& text, double points, QWidget* parent = nullptr) : QAbstractButton(parent) {
        setText(text);
        setFont(kit::uiFont(points));
        setCursor(Qt::PointingHandCursor);
    }
    QSize sizeHint() const override { return fontMetrics().size(Qt::TextSingleLine, text()) + QSize(8, 8); }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        if (!isEnabled()) p.setOpacity(0.45);
        p.setPen(muted());
        p.setFont(font());
        p.drawText(rect(), Qt::AlignCenter, text());
    }
};

// The product header: the mark, "Vendrel" and the version tag.
class Header final : public QAbstractButton {
public:
    explicit Header(QWidget* parent = nullptr) : QAbstractButton(parent) {
        setCursor(Qt::PointingHandCursor);
        setFixedHeight(8 + 6 + 36 + 6);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        const QRectF area = QRectF(rect()).adjusted(12, 8 + 6, -12, -6);
        // The application's mark: a rounded square in the accent gradient with two circles.
        const QRectF mark(area.left(), area.top() + 1 + 3, 30, 30);
        QLinearGradient gradient(mark.topLeft(), mark.bottomRight());
        gradient.setColorAt(0, accent());
        gradient.setColorAt(1, kit::accentShade().resolve(dark()));
        p.setPen(Qt::NoPen);
        p.setBrush(gradient);
        p.drawRoundedRect(mark, 8, 8);
        p.setBrush(QColor(255, 255, 255, 220));
        p.drawEllipse(QRectF(mark.left() + 7, mark.top() + 9, 10, 10));
        p.setBrush(QColor(255, 255, 255, 140));
        p.drawEllipse(QRectF(mark.left() + 14, mark.top() + 13, 9, 9));
        // "Vendrel" shrinks to no less than 80 % when the width is short.
        const QString name = railText("Vendrel");
        const QString tag = railText("v%1").arg(model::currentShortVersion());
        QFont tagFont = kit::uiFont(11);
        const double left = mark.right() + 10;
        const double room = area.right() - left - QFontMetricsF(tagFont).horizontalAdvance(tag) - 6;
        double size = 27;
        QFont nameFont = kit::uiFont(size, QFont::DemiBold);
        nameFont.setLetterSpacing(QFont::AbsoluteSpacing, -0.4);
        while (size > 27 * 0.8 && QFontMetricsF(nameFont).horizontalAdvance(name) > room) {
            size -= 0.5;
            nameFont = kit::uiFont(size, QFont::DemiBold);
            nameFont.setLetterSpacing(QFont::AbsoluteSpacing, -0.4);
        }
        const QFontMetricsF nm(nameFont);
        const double baseline = area.top() + nm.ascent();
        p.setFont(nameFont);
        p.setPen(ink());
        p.drawText(QPointF(left, baseline), name);
        p.setFont(tagFont);
        p.setPen(muted());
        p.drawText(QPointF(left + nm.horizontalAdvance(name) + 6, baseline), tag);
    }
};

// A thin line inset 10 on both sides.
class Divider final : public QWidget {
public:
    explicit Divider(int above, int below, QWidget* parent = nullptr) : QWidget(parent), above_(above) {
        setFixedHeight(above + 1 + below);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.fillRect(QRectF(10, above_, width() - 20, 1), ink(0.1));
    }

private:
    int above_;
};

void clearLayout(QLayout* layout) {
    while (QLayoutItem* item = layout->takeAt(0)) delete item;
}

}  // namespace

// --- RailRow ---

RailRow::RailRow(const NavEntry& entry, QWidget* parent)
    : QAbstractButton(parent), selected_([this] { update(); }), hover_([this] { update(); }) {
    setCursor(Qt::PointingHandCursor);
    setAttribute(Qt::WA_Hover);
    setEntry(entry);
    selected_.setTarget(entry.selected ? 1 : 0, false);
}

void RailRow::setEntry(const NavEntry& entry) {
    entry_ = entry;
    setText(entry.title);
    selected_.setTarget(entry.selected ? 1 : 0);
    updateGeometry();
    update();
}

void RailRow::setDot(bool dot) {
    dot_ = dot;
    update();
}

QSize RailRow::sizeHint() const {
    // The title keeps its full width: the row is never narrower than its label.
    const QFontMetrics title(kit::uiFont(15, QFont::DemiBold));
    int w = 2 + 3 + 12 + 22 + 12 + title.horizontalAdvance(entry_.title) + 10;
    if (entry_.count) w += 12 + QFontMetrics(kit::uiFont(13)).horizontalAdvance(*entry_.count);
    return {w, 10 + 22 + 10};
}

void RailRow::enterEvent(QEnterEvent* event) {
    hovering_ = true;
    hover_.setTarget(1);
    QAbstractButton::enterEvent(event);
}

void RailRow::leaveEvent(QEvent* event) {
    hovering_ = false;
    hover_.setTarget(0);
    QAbstractButton::leaveEvent(event);
}

void RailRow::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const double s = selected_.value();
    // Selected fill wins over the hover fill.
    QColor fill = ink(0.04 * hover_.value() * (1 - s));
    if (s > 0) fill = kit::withAlpha(accent(), 0.07 * s + fill.alphaF() * (1 - s));
    p.setPen(Qt::NoPen);
    p.setBrush(fill);
    p.drawRoundedRect(QRectF(rect()), 12, 12);

    double x = 2;
    const double mid = height() / 2.0;
    p.setBrush(kit::withAlpha(accent(), s));
    p.drawRoundedRect(QRectF(x, mid - 9, 3, 18), 2, 2);  // keeps its place when clear
    x += 3 + 12;
    const QColor iconColor = entry_.selected ? accent() : muted();
    kit::icons::paint(p, entry_.symbol, QRectF(x + 3, mid - 8, 16, 16), iconColor);
    x += 22 + 12;
    p.setFont(kit::uiFont(15, entry_.selected ? QFont::DemiBold : QFont::Normal));
    p.setPen(entry_.selected ? ink() : ink(0.85));
    const double titleWidth = p.fontMetrics().horizontalAdvance(entry_.title);
    p.drawText(QRectF(x, 0, titleWidth + 2, height()), Qt::AlignVCenter | Qt::AlignLeft, entry_.title);
    if (entry_.count) {
        p.setFont(kit::uiFont(13));
        p.setPen(muted());
        p.drawText(QRectF(0, 0, width() - 10, height()), Qt::AlignVCenter | Qt::AlignRight, *entry_.count);
    }
    if (dot_) {
        p.setPen(Qt::NoPen);
        p.setBrush(accent());
        p.drawEllipse(QRectF(width() - 12 - 8, mid - 4, 8, 8));
    }
}

// --- RecentRow ---

RecentRow::RecentRow(RailModel& model, const RecentEntry& entry, QWidget* parent)
    : QWidget(parent), model_(model), entry_(entry) {
    setAttribute(Qt::WA_Hover);
    setCursor(Qt::PointingHandCursor);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setFixedHeight(46);
    delete_ = new RoundIconButton(
        QStringLiteral("trash"), 24, 11, [] { return kit::badColor.resolve(dark()); }, [] { return ink(0.07); }, this);
    delete_->setObjectName("deleteProject");
    kit::quickTip(delete_, QString::fromUtf8("Șterge proiectul"));
    delete_->hide();
    connect(delete_, &QAbstractButton::clicked, this, [this] { model_.confirmDelete(entry_.id); });
    syncEditor();
}

RecentRow::~RecentRow() { dropEditor(); }

bool RecentRow::renaming() const { return model_.renaming() == entry_.id; }

void RecentRow::setEntry(const RecentEntry& entry) {
    entry_ = entry;
    syncEditor();
    place();
    update();
}

void RecentRow::syncEditor() {
    if (renaming() && !editor_) {
        editor_ = new QLineEdit(model_.renameText(), this);
        editor_->setObjectName("renameField");
        editor_->setFrame(false);
        editor_->setFont(kit::uiFont(13.5, QFont::DemiBold));
        editor_->setAttribute(Qt::WA_MacShowFocusRect, false);
        editor_->setStyleSheet(QStringLiteral("background: transparent"));
        editor_->installEventFilter(this);
        connect(editor_, &QLineEdit::textEdited, this, [this](const QString& text) { model_.setRenameText(text); });
        connect(editor_, &QLineEdit::returnPressed, this, [this] { model_.commitRename(entry_.id); });
        editor_->show();
        // Focused once it is on screen.
        QTimer::singleShot(0, editor_, [editor = editor_] { editor->setFocus(Qt::OtherFocusReason); });
    } else if (!renaming() && editor_) {
        dropEditor();
    }
    // The name's tip, except while the name is being edited.
    if (renaming())
        delete kit::QuickTip::on(this);
    else
        fullTextTip(this, entry_.name);
    place();
}

void RecentRow::dropEditor() {
    if (!editor_) return;
    // Taking the field away is not a focus loss the user made: it never commits.
    editor_->removeEventFilter(this);
    editor_->disconnect(this);
    editor_->hide();
    editor_->deleteLater();
    editor_ = nullptr;
}

void RecentRow::place() {
    delete_->setVisible(hovering_ && entry_.deletable && !renaming());
    delete_->move(width() - 8 - delete_->width(), (height() - delete_->height()) / 2);
    if (editor_) editor_->setGeometry(10 + 8 + 7, 8, width() - 25 - 8, height() - 16);
}

void RecentRow::resizeEvent(QResizeEvent*) { place(); }

void RecentRow::enterEvent(QEnterEvent* event) {
    hovering_ = true;
    place();
    update();
    QWidget::enterEvent(event);
}

void RecentRow::leaveEvent(QEvent* event) {
    hovering_ = false;
    place();
    update();
    QWidget::leaveEvent(event);
}

bool RecentRow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == editor_) {
        if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
            model_.cancelRename();
            return true;
        }
        if (event->type() == QEvent::FocusOut) model_.commitRename(entry_.id);
    }
    return QWidget::eventFilter(watched, event);
}

void RecentRow::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || renaming() || !rect().contains(event->position().toPoint())) return;
    model_.clickRecent(entry_.id);
}

void RecentRow::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && !renaming()) model_.doubleClickRecent(entry_.id);
}

void RecentRow::contextMenuEvent(QContextMenuEvent* event) {
    if (renaming()) return;
    QMenu menu(this);
    const Uuid id = entry_.id;
    RailModel& model = model_;
    menu.addAction(railText("Deschide"), this, [&model, id] { model.openProject(id); });
    QAction* rename = menu.addAction(railText("Redenumește"), this, [&model, id] { model.startRename(id); });
    rename->setEnabled(!entry_.busy);
    menu.addSeparator();
    QAction* remove = menu.addAction(railText("Șterge proiectul"));
    remove->setEnabled(entry_.deletable);
    // Run after the menu has closed: the alert must not stack on the menu.
    connect(remove, &QAction::triggered, &model_, [&model, id] {
        QTimer::singleShot(0, &model, [&model, id] { model.confirmDelete(id); });
    });
    menu.exec(event->globalPos());
    // The menu held the focus while "Redenumește" ran: the field takes it once the menu has gone.
    if (editor_) editor_->setFocus(Qt::OtherFocusReason);
}

void RecentRow::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const bool editing = renaming();
    QColor fill = Qt::transparent;
    if (editing || entry_.selected) fill = kit::withAlpha(accent(), 0.1);
    else if (hovering_) fill = ink(0.05);  // the hover fill
    p.setPen(Qt::NoPen);
    p.setBrush(fill);
    p.drawRoundedRect(QRectF(rect()), 12, 12);
    const double mid = height() / 2.0;
    p.setBrush(kit::statusKindColor(recentStatusKind(entry_.status)).first.resolve(dark()));
    p.drawEllipse(QRectF(10, mid - 4, 8, 8));
    if (editing) return;
    const double x = 10 + 8 + 7;
    const double right = width() - 8 - (delete_->isVisible() ? delete_->width() + 7 : 0);
    QFont name = kit::uiFont(13.5, entry_.selected ? QFont::DemiBold : QFont::Medium);
    QFont detail = kit::uiFont(11);
    const QFontMetricsF nm(name), dm(detail);
    const double top = mid - (nm.height() + 1 + dm.height()) / 2;
    p.setFont(name);
    p.setPen(ink());
    p.drawText(QRectF(x, top, right - x, nm.height()), Qt::AlignLeft | Qt::AlignVCenter,
               nm.elidedText(entry_.name, Qt::ElideRight, right - x));
    p.setFont(detail);
    p.setPen(muted());
    p.drawText(QRectF(x, top + nm.height() + 1, right - x, dm.height()), Qt::AlignLeft | Qt::AlignVCenter,
               dm.elidedText(entry_.detail, Qt::ElideRight, right - x));
}

// --- RecentSection ---

RecentSection::RecentSection(RailModel& model, QWidget* parent) : QWidget(parent), model_(model) {
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 36, 0, 0);  // the gap above the section
    outer->setSpacing(0);
    outer->addWidget(new Divider(0, 0));
    auto* heading = new QHBoxLayout;
    heading->setContentsMargins(10, 14, 10, 6);
    auto* title = new RailLabel(QLocale(QLocale::Romanian).toUpper(railText("Proiecte recente")), 11, QFont::DemiBold, true);
    QFont f = title->font();
    f.setLetterSpacing(QFont::AbsoluteSpacing, 0.8);
    title->setFont(f);
    heading->addWidget(title);
    heading->addStretch(1);
    add_ = new RoundIconButton(
        QStringLiteral("plus"), 22, 11, [] { return accent(); }, [] { return kit::withAlpha(accent(), 0.12); });
    add_->setObjectName("newProject");
    kit::labelTip(add_, QStringLiteral("Proiect nou"), false);
    connect(add_, &QAbstractButton::clicked, &model_, &RailModel::addProject);
    heading->addWidget(add_);
    outer->addLayout(heading);

    auto* content = new QWidget;
    column_ = new QVBoxLayout(content);
    column_->setContentsMargins(0, 0, 0, 0);
    column_->setSpacing(2);
    scroll_ = kit::clearScrollArea(content, false);
    outer->addWidget(scroll_, 1);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Expanding);

    connect(&model_, &RailModel::recentChanged, this, &RecentSection::refresh);
    connect(&model_, &RailModel::renameChanged, this, [this] {
        refresh();
        followRename();
    });
    refresh();
}

RecentSection::~RecentSection() {
    if (monitoring_) qApp->removeEventFilter(this);
}

RecentRow* RecentSection::row(const Uuid& id) const {
    for (RecentRow* r : rows_)
        if (r->entry().id == id) return r;
    return nullptr;
}

void RecentSection::refresh() {
    add_->setEnabled(model_.canAddProject());
    const auto entries = model_.recentEntries();
    const bool same = entries.size() == rows_.size() &&
                      std::equal(entries.begin(), entries.end(), rows_.begin(),
                                 [](const RecentEntry& e, const RecentRow* r) { return e.id == r->entry().id; });
    if (same) {
        for (std::size_t i = 0; i < entries.size(); ++i) rows_[i]->setEntry(entries[i]);
        return;
    }
    for (RecentRow* r : rows_) {
        r->hide();
        r->deleteLater();
    }
    rows_.clear();
    clearLayout(column_);
    for (const auto& e : entries) {
        auto* r = new RecentRow(model_, e);
        column_->addWidget(r);
        rows_.push_back(r);
    }
    column_->addStretch(1);
}

void RecentSection::followRename() {
    // The press monitor lives exactly as long as a rename is open.
    const bool want = model_.renaming().has_value();
    if (want == monitoring_) return;
    monitoring_ = want;
    if (want)
        qApp->installEventFilter(this);
    else
        qApp->removeEventFilter(this);
}

bool RecentSection::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonPress && watched->isWidgetType() && model_.renaming()) {
        auto* mouse = static_cast<QMouseEvent*>(event);
        RecentRow* editing = row(*model_.renaming());
        QLineEdit* field = editing ? editing->editor() : nullptr;
        const bool inside = field && field->isVisible() &&
                            QRect(field->mapToGlobal(QPoint(0, 0)), field->size()).contains(mouse->globalPosition().toPoint());
        if (mouse->button() == Qt::LeftButton && !inside) {
            // After the press has reached its target; the press itself goes on.
            QTimer::singleShot(0, &model_, [model = &model_, id = *model_.renaming()] { model->commitRename(id); });
        }
    }
    return QWidget::eventFilter(watched, event);
}

// --- ActivityCard ---

ActivityCard::ActivityCard(const ActivityCardData& data, QWidget* parent)
    : QAbstractButton(parent), hover_([this] { update(); }) {
    setCursor(Qt::PointingHandCursor);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setFixedHeight(sizeHint().height());
    setData(data);
}

void ActivityCard::setData(const ActivityCardData& data) {
    data_ = data;
    fullTextTip(this, data.subtitle + QStringLiteral(" · ") + data.detail);
    update();
}

void ActivityCard::enterEvent(QEnterEvent* event) {
    hover_.setTarget(1);
    QAbstractButton::enterEvent(event);
}

void ActivityCard::leaveEvent(QEvent* event) {
    hover_.setTarget(0);
    QAbstractButton::leaveEvent(event);
}

void ActivityCard::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    // Slightly larger under the pointer, about the centre.
    const double scale = 1.0 + 0.03 * hover_.value();
    p.translate(width() / 2.0, height() / 2.0);
    p.scale(scale, scale);
    p.translate(-width() / 2.0, -height() / 2.0);
    const QRectF area = QRectF(rect()).adjusted(6, 4, -6, -4);
    double y = area.top();
    QFont head = kit::uiFont(12.5, QFont::DemiBold);
    const QFontMetricsF hm(head);
    kit::icons::paint(p, data_.symbol, QRectF(area.left(), y + (hm.height() - 12) / 2, 12, 12), accent());
    QFont percent = kit::uiFont(11.5, QFont::DemiBold);
    const QString pct = percentText(data_.fraction);
    const double pw = QFontMetricsF(percent).horizontalAdvance(pct);
    p.setFont(head);
    p.setPen(ink());
    const double tx = area.left() + 12 + 6;
    p.drawText(QRectF(tx, y, area.right() - pw - 6 - tx, hm.height()), Qt::AlignLeft | Qt::AlignVCenter,
               hm.elidedText(data_.title, Qt::ElideRight, area.right() - pw - 6 - tx));
    p.setFont(percent);
    p.setPen(muted());
    p.drawText(QRectF(area.right() - pw, y, pw, hm.height()), Qt::AlignRight | Qt::AlignVCenter, pct);
    y += hm.height() + 5;
    QFont sub = kit::uiFont(11.5);
    const QFontMetricsF sm(sub);
    p.setFont(sub);
    p.setPen(ink());
    p.drawText(QRectF(area.left(), y, area.width(), sm.height()), Qt::AlignLeft | Qt::AlignVCenter,
               sm.elidedText(data_.subtitle, Qt::ElideRight, area.width()));
    y += sm.height() + 5;
    QFont det = kit::uiFont(11);
    const QFontMetricsF dm(det);
    p.setFont(det);
    p.setPen(muted());
    p.drawText(QRectF(area.left(), y, area.width(), dm.height()), Qt::AlignLeft | Qt::AlignVCenter,
               dm.elidedText(data_.detail, Qt::ElideRight, area.width()));
    y += dm.height() + 5 + 1;
    const QRectF track(area.left(), y, area.width(), 4);
    p.setPen(Qt::NoPen);
    p.setBrush(ink(0.12));
    p.drawRoundedRect(track, 2, 2);
    p.setBrush(accent());
    p.drawRoundedRect(QRectF(track.left(), track.top(), track.width() * barValue(data_.fraction), 4), 2, 2);
}

// --- ActivitySection ---

ActivitySection::ActivitySection(RailModel& model, QWidget* parent) : QWidget(parent), model_(model) {
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 8);
    column_ = new QWidget;
    auto* layout = new QVBoxLayout(column_);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(10);
    scroll_ = kit::clearScrollArea(column_, false);
    outer->addWidget(scroll_);
    connect(&model_, &RailModel::activityChanged, this, &ActivitySection::refresh);
    refresh();
}

void ActivitySection::refresh() {
    const auto data = model_.activityCards();
    setVisible(!data.empty());  // nothing to show takes no space, padding included
    const bool same = data.size() == cards_.size() &&
                      std::equal(data.begin(), data.end(), cards_.begin(), [](const ActivityCardData& d, const ActivityCard* c) {
                          return d.id == c->data().id && d.symbol == c->data().symbol;
                      });
    if (same) {
        for (std::size_t i = 0; i < data.size(); ++i) cards_[i]->setData(data[i]);
    } else {
        for (ActivityCard* c : cards_) {
            c->hide();
            c->deleteLater();
        }
        cards_.clear();
        clearLayout(column_->layout());
        for (const auto& d : data) {
            auto* card = new ActivityCard(d);
            connect(card, &QAbstractButton::clicked, this, [this, card] { model_.openActivity(card->data()); });
            column_->layout()->addWidget(card);
            cards_.push_back(card);
        }
    }
    int content = 0;
    for (ActivityCard* c : cards_) content += c->height();
    content += 10 * std::max(0, int(cards_.size()) - 1);
    const int height = std::min(activityMaxHeight, std::max(content, 1));
    scroll_->setFixedHeight(height);
    setFixedHeight(height + 8);  // the recent list above never squeezes it
}

// --- UpdateCard ---

UpdateCard::UpdateCard(RailModel& model, QWidget* parent) : QWidget(parent), model_(model) {
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(10, 10, 10, 10 + 6);
    outer->setSpacing(8);
    auto* top = new QHBoxLayout;
    top->setSpacing(8);
    auto* icon = new QLabel;
    icon->setFixedSize(18, 18);
    icon->setObjectName("updateIcon");
    icon->setPixmap(kit::icons::pixmap(QStringLiteral("arrow.down.circle.fill"), {18, 18}, accent(), devicePixelRatioF()));
    top->addWidget(icon);
    auto* texts = new QVBoxLayout;
    texts->setSpacing(1);
    texts->addWidget(new RailLabel(railText("Actualizare disponibilă"), 13, QFont::DemiBold, false));
    version_ = new RailLabel(QString(), 12, QFont::Normal, true);
    texts->addWidget(version_);
    top->addLayout(texts);
    top->addStretch(1);
    outer->addLayout(top);
    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(8);
    update_ = new kit::KitButton(railText("Actualizează"), kit::ButtonLook::accent);
    update_->setObjectName("updateNow");
    update_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    connect(update_, &QAbstractButton::clicked, &model_, &RailModel::startUpdateDownload);
    buttons->addWidget(update_, 1);
    skip_ = new TextButton(railText("Omite"), 12);
    skip_->setObjectName("skipUpdate");
    connect(skip_, &QAbstractButton::clicked, &model_, &RailModel::skipUpdate);
    buttons->addWidget(skip_);
    outer->addLayout(buttons);
    status_ = new RailLabel(QString(), 11, QFont::Normal, true);
    status_->setWordWrap(true);  // as many lines as it needs
    outer->addWidget(status_);
    connect(&model_, &RailModel::updateChanged, this, &UpdateCard::refresh);
    refresh();
}

void UpdateCard::refresh() {
    version_->setText(model_.updateVersionText());
    update_->setText(model_.updateButtonText());
    update_->setEnabled(!model_.updateBusy());
    skip_->setEnabled(!model_.updateBusy());
    status_->setText(model_.updateStatus());
    status_->setVisible(!model_.updateStatus().isEmpty());
    setVisible(model_.updateAvailable());
    updateGeometry();
}

void UpdateCard::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(kit::withAlpha(accent(), 0.14));
    p.drawRoundedRect(QRectF(rect()).adjusted(0, 0, 0, -6), 12, 12);
}

// --- HelpMenu ---

namespace {
class HelpEntry final : public QAbstractButton {
public:
    HelpEntry(QString icon, const QString& title, QWidget* parent = nullptr) : QAbstractButton(parent), icon_(std::move(icon)) {
        setText(title);
        setCursor(Qt::PointingHandCursor);
        setAttribute(Qt::WA_Hover);
        setFixedHeight(8 + 20 + 8);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        if (underMouse()) {
            p.setPen(Qt::NoPen);
            p.setBrush(ink(0.05));
            p.drawRoundedRect(QRectF(rect()), 8, 8);
        }
        kit::icons::paint(p, icon_, QRectF(10 + 3, height() / 2.0 - 7, 14, 14), accent());
        p.setFont(kit::uiFont(13.5, QFont::Medium));
        p.setPen(ink());
        p.drawText(QRectF(10 + 20 + 10, 0, width() - 50, height()), Qt::AlignVCenter | Qt::AlignLeft, text());
    }
    void enterEvent(QEnterEvent* e) override {
        update();
        QAbstractButton::enterEvent(e);
    }
    void leaveEvent(QEvent* e) override {
        update();
        QAbstractButton::leaveEvent(e);
    }

private:
    QString icon_;
};
}  // namespace

HelpMenu::HelpMenu(RailModel& model, QWidget* parent) : QWidget(parent, Qt::Popup | Qt::FramelessWindowHint), model_(model) {
    setAttribute(Qt::WA_TranslucentBackground);
    setFixedWidth(250);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(8, 8, 8, 8);
    column->setSpacing(2);
    const std::tuple<const char*, const char*, HelpSheet> items[] = {
        {"sparkles", "Prezentare rapidă", HelpSheet::welcome},
        {"book.pages", "Ghid de utilizare", HelpSheet::guide},
        {"text.bubble", "Spune-ne ce să îmbunătățim", HelpSheet::feedback},
    };
    for (const auto& [icon, title, sheet] : items) {
        auto* entry = new HelpEntry(QString::fromLatin1(icon), railText(title));
        connect(entry, &QAbstractButton::clicked, &model_, [this, sheet = sheet] { model_.presentAfterHelp(sheet); });
        column->addWidget(entry);
        entries_.push_back(entry);
    }
}

void HelpMenu::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(ink(0.12), 0.5));
    p.setBrush(kit::raisedColor.resolve(dark()));
    p.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 12, 12);
}

void HelpMenu::hideEvent(QHideEvent* event) {
    // A click outside closes the popup.
    model_.setShowHelp(false);
    QWidget::hideEvent(event);
}

// --- Rail ---

Rail::Rail(model::AppModel& model, model::Router& router, model::Updater* updater, QWidget* parent)
    : QWidget(parent), model_(std::make_unique<RailModel>(model, router, updater)) {
    setFixedWidth(columnWidth + margin);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(margin, margin, 0, margin);
    panel_ = new kit::GlassFrame(kit::GlassTreatment::panel, kit::KitShape::rounded(30));
    outer->addWidget(panel_);
    auto* column = new QVBoxLayout(panel_);
    column->setContentsMargins(14, 14, 14, 14);
    column->setSpacing(6);

    header_ = new Header;
    header_->setObjectName("railHeader");
    connect(header_, &QAbstractButton::clicked, model_.get(), &RailModel::goHome);
    column->addWidget(header_);
    column->addSpacing(12);
    auto addRow = [&](NavItem item) {
        auto* row = new RailRow({item, {}, {}, {}, false});
        connect(row, &QAbstractButton::clicked, model_.get(), [this, item] { model_->activate(item); });
        navRows_.push_back(row);
        return row;
    };
    for (NavItem item : {NavItem::home, NavItem::profiles, NavItem::projects}) column->addWidget(addRow(item));
    recent_ = new RecentSection(*model_);
    column->addWidget(recent_, 1);
    // Takes the height left over when there is no recent list to take it.
    column->addItem(new QSpacerItem(0, 0, QSizePolicy::Minimum, QSizePolicy::Expanding));
    activity_ = new ActivitySection(*model_);
    column->addWidget(activity_);
    update_ = new UpdateCard(*model_);
    column->addWidget(update_);
    column->addWidget(new Divider(4, 4));
    for (NavItem item : {NavItem::settings, NavItem::help}) column->addWidget(addRow(item));
    kit::quickTip(row(NavItem::help), QString::fromUtf8("Ghid și feedback"));

    help_ = new HelpMenu(*model_, this);
    connect(model_.get(), &RailModel::navChanged, this, &Rail::refreshNav);
    connect(model_.get(), &RailModel::updateChanged, this, &Rail::refreshNav);
    connect(model_.get(), &RailModel::helpChanged, this, &Rail::syncHelp);
    refreshNav();
}

Rail::~Rail() = default;

RailRow* Rail::row(NavItem item) const {
    for (RailRow* r : navRows_)
        if (r->entry().item == item) return r;
    return nullptr;
}

std::vector<RailRow*> Rail::rows() const {
    std::vector<RailRow*> shown;
    for (RailRow* r : navRows_)
        if (!r->isHidden()) shown.push_back(r);
    return shown;
}

void Rail::refreshNav() {
    const auto entries = model_->navEntries();
    for (std::size_t i = 0; i < navRows_.size(); ++i) {
        RailRow* r = navRows_[i];
        const NavItem item = r->entry().item;
        const auto found = std::find_if(entries.begin(), entries.end(), [&](const NavEntry& e) { return e.item == item; });
        r->setVisible(found != entries.end());
        if (found != entries.end()) r->setEntry(*found);
    }
    RailRow* settings = row(NavItem::settings);
    settings->setDot(model_->updateAvailable());
    builtTip(settings, model_->settingsTip());
    recent_->setVisible(model_->showsRecent());
    panel_->setOnPhoto(model_->onPhoto());
}

void Rail::syncHelp() {
    if (model_->showHelp() == help_->isVisible()) return;
    if (!model_->showHelp()) {
        help_->hide();
        return;
    }
    // Beside the rail, level with the Help row.
    RailRow* anchor = row(NavItem::help);
    help_->adjustSize();
    const QPoint at = anchor->mapToGlobal(QPoint(anchor->width() + 8, anchor->height() / 2 - help_->height() / 2));
    help_->move(at);
    help_->show();
}

void Rail::showEvent(QShowEvent* event) {
    model_->setActivityRefresh(true);
    QWidget::showEvent(event);
}

void Rail::hideEvent(QHideEvent* event) {
    model_->setActivityRefresh(false);
    QWidget::hideEvent(event);
}

}  // namespace orvane::rail
