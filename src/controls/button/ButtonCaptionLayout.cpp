#include "controls/button/ButtonCaptionLayout.h"

#include <QStringList>

#include <algorithm>

namespace controls {
namespace {

constexpr int Margin = 6;
constexpr int IconGap = 5;

// Indexed by ButtonStyle 0..3: width taken off the available line length, margins on the left
// and right (wider where that edge is slanted), and the centring shift of captions without an
// icon.
constexpr int LengthAllowance[] = {6, 18, 42, 18};
constexpr int LeftMargin[] = {6, 6, 18, 18};
constexpr int RightMargin[] = {6, 18, 18, 6};
constexpr int CentreShift[] = {0, -18, 0, 18};

int styleIndex(std::int32_t style) {
    return style >= 0 && style <= 3 ? int(style) : 0;
}

// A line of the wrapped text with where it starts in the displayed caption.
struct Piece {
    QString text;
    int start = 0;
};

// The line cut to what roughly fits, ended with "...".
QString cutLine(const QString& line, int available, int measured) {
    const qint64 fitting = measured > 0 ? qint64(line.size()) * available / measured : line.size();
    qint64 keep = std::max<qint64>(fitting / 2, 1);
    if (keep > 4)
        keep -= 3;
    return line.left(keep) + QStringLiteral("...");
}

QList<Piece> wrap(const QString& text, int available, int maxLines, const CaptionMeasure& measure) {
    QList<Piece> pieces;
    // Words with their start in the text; the trailing space ends the last word like the others.
    const QString spaced = text + QLatin1Char(' ');
    struct Word {
        int start, end; // end excludes the space after it
    };
    QList<Word> words;
    int begin = 0;
    for (int i = 0; i < spaced.size(); ++i) {
        if (spaced.at(i) != QLatin1Char(' '))
            continue;
        if (i > begin)
            words.append({begin, i});
        begin = i + 1;
    }
    int next = 0;
    while (next < words.size()) {
        const bool lastLine = pieces.size() + 1 >= maxLines;
        const int start = words[next].start;
        int taken = 0;
        while (next + taken < words.size() &&
               measure.width(text.mid(start, words[next + taken].end - start)) <= available)
            ++taken;
        if (lastLine && next + taken < words.size()) {
            // No more lines: the rest of the caption is cut to this one.
            const QString rest = text.mid(start).trimmed();
            pieces.append({cutLine(rest, available, measure.width(rest)), start});
            return pieces;
        }
        taken = std::max(taken, 1); // a word longer than a line still gets a line of its own
        const int end = words[next + taken - 1].end;
        pieces.append({text.mid(start, end - start), start});
        next += taken;
    }
    if (pieces.isEmpty())
        pieces.append({QString(), 0});
    return pieces;
}

} // namespace

CaptionLayout LayOutCaption(const CaptionLayoutInput& in, const CaptionMeasure& measure) {
    CaptionLayout out;
    const int W = in.width;
    const int H = in.height;
    const int style = styleIndex(in.buttonStyle);
    const int iconEdge = in.iconSize * 8;
    const bool vertical = in.captionOrientation == 1 || in.captionOrientation == 2;
    const int lineHeight = std::max(measure.lineHeight, 1);

    if (in.hasIcon && in.text.isEmpty()) {
        int x = (W - iconEdge) / 2;
        if (style == 1)
            x -= 9; // half the slant, towards the straight edge
        else if (style == 3)
            x += 9;
        out.iconPosition = QPoint(x, (H - iconEdge) / 2);
        return out;
    }

    const int iconSpace = in.hasIcon ? iconEdge + IconGap : 0;
    const int available = vertical ? H - 12 - iconSpace : W - iconSpace - Margin - LengthAllowance[style];
    const int depth = vertical ? W : H;

    QList<Piece> pieces;
    if (measure.width(in.text) <= available || depth < lineHeight)
        pieces.append({in.text, 0});
    else
        pieces = wrap(in.text, available, std::max(depth / lineHeight, 1), measure);

    // The icon space counts only where the text is not aligned away from the icon.
    const bool iconFirst = in.iconAlignment == 0; // left of, or before, the text
    int S = iconSpace;
    if (!in.hasIcon || (!iconFirst && in.alignment == 0) || (iconFirst && in.alignment == 2))
        S = 0;

    const int count = int(pieces.size());
    for (int n = 0; n < count; ++n) {
        const Piece& piece = pieces[n];
        const int w = measure.width(piece.text);
        QRect box;
        if (!vertical) {
            int left = 0;
            if (in.alignment == 0) {
                left = S + LeftMargin[style];
            } else if (in.alignment == 2) {
                left = W - (RightMargin[style] + S + w);
            } else {
                const int c = style == 1 ? 18 : 0;
                int k = CentreShift[style] / 2;
                if (in.hasIcon)
                    k = iconFirst ? (S - c) / 2 : -((S + c) / 2);
                left = (W - w) / 2 + k;
            }
            const int top = (H - count * lineHeight) / 2 + n * lineHeight;
            box = QRect(left, top, w, lineHeight);
        } else {
            const bool upwards = in.captionOrientation == 1;
            const int blockLeft = (W - count * lineHeight) / 2;
            // Reading upwards a line's top faces left, so later lines go right; downwards, left.
            const int left = blockLeft + (upwards ? n : count - 1 - n) * lineHeight;
            int top = 0;
            if (in.alignment == 0) {
                top = upwards ? H - (Margin + S) - w : Margin + S;
            } else if (in.alignment == 2) {
                top = upwards ? Margin + S : H - (Margin + S) - w;
            } else {
                // Centred, moved half the icon space away from the icon.
                const bool iconBelow = upwards == iconFirst;
                top = (H - w) / 2 + (in.hasIcon ? (iconBelow ? -(S / 2) : S / 2) : 0);
            }
            box = QRect(left, top, lineHeight, w);
        }
        out.lines.append({piece.text, box});
        out.block = n == 0 ? box : out.block.united(box);

        const int key = in.accessKeyPosition - 1 - piece.start; // index of the key in this line
        if (in.accessKeyPosition > 0 && key >= 0 && key < piece.text.size() &&
            !(piece.text.endsWith(QStringLiteral("...")) && key >= piece.text.size() - 3)) {
            const int from = measure.width(piece.text.left(key));
            const int to = from + measure.width(piece.text.mid(key, 1));
            const int below = measure.ascent + 1;
            if (!vertical)
                out.underline =
                    QLine(box.left() + from, box.top() + below, box.left() + to, box.top() + below);
            else if (in.captionOrientation == 1)
                out.underline =
                    QLine(box.left() + below, box.bottom() - from, box.left() + below, box.bottom() - to);
            else
                out.underline =
                    QLine(box.right() - below, box.top() + from, box.right() - below, box.top() + to);
            out.hasUnderline = true;
        }
    }

    const QRect& b = out.block;
    if (!vertical) {
        const int x = iconFirst ? b.left() - iconEdge - IconGap : b.right() + 1 + IconGap;
        out.iconPosition = QPoint(x, b.top() + (b.height() - iconEdge) / 2);
    } else {
        const bool iconBelow = (in.captionOrientation == 1) == iconFirst;
        const int y = iconBelow ? b.bottom() + 1 + IconGap : b.top() - IconGap - iconEdge;
        out.iconPosition = QPoint(b.left() + (b.width() - iconEdge) / 2, y);
    }
    out.focusRect = b.adjusted(-2, -2, 2, 2).translated(-1, -1);
    return out;
}

} // namespace controls
