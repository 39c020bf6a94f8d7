#include "util/fonts.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QStringList>
#include <algorithm>
#include <tuple>

namespace qrv::util {

namespace {

bool resolvesFixed(const QFont& font) {
    return QFontInfo(font).fixedPitch();
}

// Families the database calls fixed-pitch, best first. The database's word is
// only a hint: an alias such as "Monospace" may resolve to a face that is not.
QStringList fixedFamilies() {
    QStringList found;
    for (const QString& family : QFontDatabase::families())
        if (!QFontDatabase::isPrivateFamily(family) && QFontDatabase::isFixedPitch(family))
            found << family;
    const auto rank = [](const QString& family) {
        // Code is ASCII text; a scalable face keeps its shape at any size.
        return std::make_tuple(
            !QFontDatabase::writingSystems(family).contains(QFontDatabase::Latin),
            !QFontDatabase::isSmoothlyScalable(family));
    };
    std::sort(found.begin(), found.end(), [&](const QString& a, const QString& b) {
        const auto ra = rank(a), rb = rank(b);
        if (ra != rb) return ra < rb;
        const int byName = a.compare(b, Qt::CaseInsensitive);
        return byName != 0 ? byName < 0 : a < b;
    });
    return found;
}

}  // namespace

QFont FixedPitchFont() {
    return FixedPitchLike(QFontDatabase::systemFont(QFontDatabase::FixedFont));
}

QFont FixedPitchLike(const QFont& base) {
    if (resolvesFixed(base)) return base;
    for (const QString& family : fixedFamilies()) {
        QFont font = base;
        font.setFamilies({family});
        font.setStyleHint(QFont::TypeWriter);
        if (resolvesFixed(font)) return font;
    }
    QFont font = base;
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    return font;
}

}  // namespace qrv::util
