#pragma once
// The root of a window's content: draws the backdrop and keeps its blurred copies, which the glass
// surfaces inside it show through their shapes.
#include <QImage>
#include <QTimer>
#include <QWidget>

#include <array>

#include "app/kit/backdrop.h"

namespace orvane::kit {

class AppBackdrop : public QWidget {
    Q_OBJECT
public:
    explicit AppBackdrop(QWidget* parent = nullptr);

    // The backdrop `widget` sits on: itself or its nearest ancestor of this kind; null if none.
    static AppBackdrop* of(const QWidget* widget);

    // Draws the material under `widget` (one of this backdrop's descendants) inside `shape`, given in
    // the widget's coordinates: the blurred backdrop, then the material's own faint tint.
    void paintMaterial(QPainter& painter, const QWidget* widget, const QPainterPath& shape, Material material);

    // Resizing is debounced: the old render is stretched until the size has settled for this long.
    static constexpr int resizeDebounceMs = 120;
    bool renderPending() const { return debounce_.isActive(); }
    // Makes a pending render land now (screenshots).
    void renderNow();
    int renderCount() const { return renders_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    struct Key {
        QSize pixels;
        bool dark = false;
        bool flat = false;
        double intensity = 0.0;
        int accent = 0;
        bool operator==(const Key&) const = default;
    };
    Key currentKey() const;
    void ensureRendered();
    void render(const Key& key);

    QTimer debounce_;
    Key renderedKey_;
    QImage image_;
    std::array<QImage, materialCount> blurred_;
    int renders_ = 0;
};

// Faint colour a material lays over the blurred backdrop.
QColor materialTint(Material material, bool dark);

}  // namespace orvane::kit
