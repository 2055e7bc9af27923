#include "output/ElidedText.h"

#include <QFontMetrics>
#include <QRect>
#include <QTextLayout>
#include <utility>
#include <vector>

QString FitWrappedText(const QString& text, const QFont& font, const QSize& room) {
    const QFontMetrics fm(font);
    auto height = [&](const QString& t) {
        return fm.boundingRect(QRect(0, 0, room.width(), 1 << 20), Qt::TextWordWrap, t).height();
    };
    if (text.isEmpty() || room.width() <= 0 || height(text) <= room.height())
        return text;
    // The lines as the field would wrap them; the cut ones end in explicit breaks
    // so the field does not wrap them differently.
    std::vector<std::pair<int, int>> lines;
    QTextLayout layout(text, font);
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(room.width());
        lines.emplace_back(line.textStart(), line.textLength());
    }
    layout.endLayout();
    for (std::size_t n = lines.size(); n >= 1; --n) {
        QString out;
        for (std::size_t i = 0; i + 1 < n; ++i)
            out += text.mid(lines[i].first, lines[i].second).trimmed() + QLatin1Char('\n');
        out += fm.elidedText(text.mid(lines[n - 1].first).simplified(), Qt::ElideRight, room.width());
        if (height(out) <= room.height())
            return out;
    }
    return fm.elidedText(text.simplified(), Qt::ElideRight, room.width());
}
