#pragma once
// A file-system path as a breadcrumb: each folder with its icon and name, separated by small chevrons;
// a long path keeps only its last components behind an elision mark.
#include <QFont>
#include <QString>
#include <QWidget>

#include <vector>

namespace orvane::kit {

// One component of a path: its name and the path of that folder from the root.
struct PathComponent {
    QString name;
    QString full;  // always begins with "/"
    bool operator==(const PathComponent&) const = default;
};

// The components of `path`: split at "/", empty pieces dropped; a first piece of exactly "Volumes" is
// folded into the prefix, so the volume's name comes first; a relative path reads as if it began at "/".
std::vector<PathComponent> pathComponents(const QString& path);

// What a bar showing at most `maxItems` components draws: the last ones, and whether some went.
struct PathBarEntries {
    bool elided = false;
    std::vector<PathComponent> shown;
};
// A negative `maxItems` is taken as 0.
PathBarEntries pathBarEntries(const QString& path, int maxItems);

// The widths of the names when the bar has `available` points for them: the earlier names give way first
// (each down to `least`), the last one keeps its width for longest.
std::vector<double> pathBarNameWidths(const std::vector<double>& natural, double available, double least);

class PathBar : public QWidget {
    Q_OBJECT
public:
    // The names show as they stand (never translated) in `font`, each after its folder's icon of
    // `iconSize`; components are 5 apart.
    PathBar(const QString& path, int maxItems, const QFont& font, double iconSize, QWidget* parent = nullptr);
    void setPath(const QString& path);
    QString path() const { return path_; }
    PathBarEntries entries() const { return pathBarEntries(path_, maxItems_); }
    // The names as drawn at the current width (cut in the middle when short of room).
    QStringList shownNames() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    struct Placed {
        enum class Kind { elision, chevron, icon, name } kind;
        QRectF rect;
        int entry = -1;
        QString text;
    };
    std::vector<Placed> place(double width) const;
    double fixedWidth() const;

    QString path_;
    int maxItems_;
    QFont font_;
    double iconSize_;
};

}  // namespace orvane::kit
