#pragma once
// Images 6 and 7 of the main window's image list, drawn from SVG at any size so they stay
// sharp at every screen scaling: a studio encoder (a unit sending waves) and any other
// element (a unit receiving them).  The toolbar's images come from SVG as well.

#include "ElementTree.h"

#include <QIcon>
#include <QPixmap>

namespace ElementIcons {
QIcon encoder();
QIcon otherElement();
// A toolbar image: images/NAME.svg.
QIcon toolbar(const QString& name);

// An element's image with its state mark to the right, side pixels high: a green disc
// (answering), a red disc with a white cross (not answering), a grey ring (not checked
// yet); shapes as well as colours, so the states differ without colour vision.  After it
// the audio watch's mark: a grey box with a flat line (silent), an orange triangle with
// an exclamation mark (overload).
QPixmap withMark(const QIcon& image, NodeMark mark, int side, qreal devicePixelRatio,
                 AudioMark audio = AudioMark::None);
QSize markedSize(int side, AudioMark audio = AudioMark::None);

// The image with the mark as a badge in its lower right corner, in the sizes a panel's
// tray uses (the tray icon's fleet state).
QIcon withBadge(const QIcon& image, NodeMark mark);
} // namespace ElementIcons
