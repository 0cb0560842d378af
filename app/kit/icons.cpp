#include "app/kit/icons.h"

#include <QFile>
#include <QHash>
#include <QPainter>
#include <QSvgRenderer>

#include <vector>

namespace orvane::kit::icons {

namespace {
const QString resourceFolder = QStringLiteral(":/kit/icons/");

struct Table {
    QStringList names;
    QHash<QString, QString> files;
};

const Table& table() {
    static const Table t = [] {
        Table out;
        QFile file(resourceFolder + QStringLiteral("icons.txt"));
        if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) return out;
        while (!file.atEnd()) {
            const QString line = QString::fromUtf8(file.readLine()).trimmed();
            if (line.isEmpty() || line.startsWith(u'#')) continue;
            const QStringList parts = line.split(u' ', Qt::SkipEmptyParts);
            if (parts.size() != 2) continue;
            out.names << parts[0];
            out.files.insert(parts[0], resourceFolder + parts[1] + QStringLiteral(".svg"));
        }
        return out;
    }();
    return t;
}
}  // namespace

QStringList names() { return table().names; }

QString fileFor(const QString& name) { return table().files.value(name); }

QPixmap pixmap(const QString& name, QSize size, const QColor& color, qreal dpr) {
    const QString file = fileFor(name);
    if (file.isEmpty() || size.isEmpty()) return {};
    QSvgRenderer renderer(file);
    if (!renderer.isValid()) return {};
    QImage image(size * dpr, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        QSizeF drawn = QSizeF(renderer.defaultSize()).scaled(QSizeF(image.size()), Qt::KeepAspectRatio);
        const QRectF target((image.width() - drawn.width()) / 2, (image.height() - drawn.height()) / 2, drawn.width(),
                            drawn.height());
        renderer.render(&p, target);
        // The set draws in one colour; its shape takes the colour asked for.
        p.setCompositionMode(QPainter::CompositionMode_SourceIn);
        p.fillRect(image.rect(), color);
    }
    image.setDevicePixelRatio(dpr);
    return QPixmap::fromImage(image);
}

void paint(QPainter& painter, const QString& name, const QRectF& rect, const QColor& color) {
    const qreal dpr = painter.device() ? painter.device()->devicePixelRatioF() : 1.0;
    const QPixmap pm = pixmap(name, rect.size().toSize(), color, dpr);
    if (!pm.isNull()) painter.drawPixmap(rect.topLeft(), pm);
}

QString licenceText() {
    QFile file(resourceFolder + QStringLiteral("LICENSE"));
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

}  // namespace orvane::kit::icons
