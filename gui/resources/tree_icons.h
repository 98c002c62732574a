// The image lists of the configuration tree, one per family: every image
// index that a family's GetItemImage returns has a picture. The pictures are
// scalable images in the resources (tree/<family>/<index>.svg, written by
// scripts/make-icons.py from a table of shapes, colours and letters), so
// they stay sharp on a scaled screen: the shape says what an item is
// (device, output device, loop, key, group, panel, object), the colour says
// its loop group (fire red, security blue, monitoring amber, control purple)
// and grey means blocked or switched off.
#pragma once

#include <QIcon>
#include <optional>

#include "base/family.h"

namespace tavrin::gui {

// The highest image index any family uses, plus one.
inline constexpr int kTreeImageCount = 84;

// An icon drawn from a scalable image of the resources; a null icon when the
// image is missing or cannot be drawn.
QIcon scalableIcon(const QString& path);

// The icon of an image index of a family (dots for a family without its own
// pictures); a null icon for a negative index.
const QIcon& treeIcon(std::optional<Family> family, int image);

// Whether the family's image list has a picture of its own for the index
// (not the neutral fallback).
bool treeIconDefined(std::optional<Family> family, int image);

}  // namespace tavrin::gui
