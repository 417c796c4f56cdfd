#include "ui/notify/WrappedText.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QTextLayout>

#include <vector>

void DrawWrappedText(QPainter& painter, const QRect& area, const QString& text)
{
    QString laid = text;
    laid.replace(QLatin1Char('\n'), QChar::LineSeparator);
    QTextLayout layout(laid, painter.font(), painter.device());
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);

    struct Line
    {
        int start;
        int length;
        qreal height;
    };
    std::vector<Line> lines;
    qreal height = 0;
    bool cut = false;
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(area.width());
        // The first line is always drawn, clipped if the area is lower than it.
        if (!lines.empty() && height + line.height() > area.height()) {
            cut = true;
            break;
        }
        lines.push_back({line.textStart(), line.textLength(), line.height()});
        height += line.height();
    }
    layout.endLayout();

    painter.save();
    painter.setClipRect(area);
    const QFontMetricsF metrics(painter.font(), painter.device());
    qreal y = area.y() + (area.height() - height) / 2;
    for (size_t i = 0; i < lines.size(); ++i) {
        QString part = laid.mid(lines[i].start, lines[i].length);
        if (cut && i + 1 == lines.size()) {
            part = laid.mid(lines[i].start);
            part.replace(QChar::LineSeparator, QLatin1Char(' '));
            part = metrics.elidedText(part.simplified(), Qt::ElideRight, area.width());
        }
        part.remove(QChar::LineSeparator);
        painter.drawText(QRectF(area.x(), y, area.width(), lines[i].height), Qt::AlignHCenter | Qt::AlignTop,
                         part.trimmed());
        y += lines[i].height;
    }
    painter.restore();
}
