#include "app/projects/large_corrections_sheet.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QScrollArea>
#include <QVBoxLayout>

#include "app/kit/buttons.h"
#include "app/kit/cards.h"
#include "app/kit/fonts.h"
#include "app/kit/sheet_host.h"
#include "app/kit/text.h"

namespace orvane::projects {

BigCorrectionsSheet::BigCorrectionsSheet(std::shared_ptr<Job> job, model::Router& router,
                                         std::shared_ptr<MainExecutor> main, std::function<void()> close,
                                         PreviewServices services, QWidget* parent)
    : kit::GlassSheet(false, parent), job_(std::move(job)), router_(&router), close_(std::move(close)) {
    setObjectName("bigCorrectionsSheet");
    setFixedWidth(sheetWidth);
    setFocusPolicy(Qt::StrongFocus);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(24, 24, 24, 24);
    column->setSpacing(16);

    auto* header = new QHBoxLayout;
    header->setSpacing(12);
    header->setContentsMargins(0, 0, 36, 0);  // clear of the close button
    header->addWidget(new kit::IconTile(QStringLiteral("eye"), 44, true), 0, Qt::AlignVCenter);
    auto* titles = new QVBoxLayout;
    titles->setSpacing(2);
    auto* title = new kit::KitLabel(QString::fromUtf8("Fotografii cu corecție mare"), kit::trackedFont(22, QFont::Bold, -0.4));
    title->setLocalized(true);
    titles->addWidget(title);
    auto* subtitle = new kit::KitLabel(QString::fromUtf8("Fotografiile care au primit cea mai mare corecție de expunere."),
                                       kit::uiFont(kit::TextStyle::body));
    subtitle->setLocalized(true);
    subtitle->setColor(kit::mutedColor);
    titles->addWidget(subtitle);
    header->addLayout(titles, 1);
    column->addLayout(header);

    // The photos are worked out from the project as it is now; the grid keeps them once it has loaded.
    grid_ = new PreviewGrid(job_, job_->project().bigCorrectionPhotos(limit, threshold), false, 150, std::move(main),
                            std::move(services));
    grid_->setObjectName("bigCorrectionsGrid");
    auto* inner = new QWidget;
    auto* innerLayout = new QVBoxLayout(inner);
    innerLayout->setContentsMargins(2, 2, 2, 2);
    innerLayout->addWidget(grid_);
    innerLayout->addStretch(1);
    scroll_ = new QScrollArea;
    scroll_->setObjectName("bigCorrectionsScroll");
    scroll_->setWidget(inner);
    scroll_->setWidgetResizable(true);
    scroll_->setFrameShape(QFrame::NoFrame);
    scroll_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    scroll_->viewport()->setAutoFillBackground(false);
    inner->setAutoFillBackground(false);
    scroll_->setMinimumHeight(260);
    scroll_->setMaximumHeight(440);
    column->addWidget(scroll_, 1);

    auto* note = new kit::KitLabel(
        QString::fromUtf8("Previzualizare orientativă: arată cât de luminoasă și de caldă iese fotografia, fără "
                          "culorile și stilul din presetul tău."),
        kit::uiFont(kit::TextStyle::caption));
    note->setLocalized(true);
    note->setColor(kit::mutedColor);
    note->setMaxLines(0);
    column->addWidget(note);

    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(10);
    buttons->addStretch(1);
    auto* closeButton = new kit::KitButton(QString::fromUtf8("Închide"), kit::ButtonLook::outline);
    closeButton->setObjectName("close");
    closeButton->setProperty("controlSize", "large");
    auto* reeditButton = new kit::KitButton(QString::fromUtf8("Ajustează și reeditează"), kit::ButtonLook::accent);
    reeditButton->setObjectName("reedit");
    reeditButton->setProperty("controlSize", "large");
    buttons->addWidget(closeButton);
    buttons->addWidget(reeditButton);
    column->addLayout(buttons);
    closeButton_ = closeButton;
    reeditButton_ = reeditButton;

    auto* corner = kit::SheetCloseButton::overlay(this);
    connect(corner, &kit::SheetCloseButton::clicked, this, [this] {
        if (close_) close_();
    });
    connect(closeButton, &QAbstractButton::clicked, this, [this] {
        if (close_) close_();
    });
    connect(reeditButton, &QAbstractButton::clicked, this, &BigCorrectionsSheet::reedit);
    // Tall enough for the scroll area's least height.
    resize(sheetWidth, sizeHint().height());
}

void BigCorrectionsSheet::reedit() {
    // Closing deletes the sheet later; the route change needs only what was copied here.
    const Uuid id = job_->project().id;
    QPointer<model::Router> router = router_;
    if (close_) close_();
    if (router) router->setRoute(model::Route::reedit(id));
}

void BigCorrectionsSheet::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        if (close_) close_();
        return;
    }
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        reedit();
        return;
    }
    kit::GlassSheet::keyPressEvent(event);
}

}  // namespace orvane::projects
