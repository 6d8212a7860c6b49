// TQSLCard: a printable card of a background colour, an optional grey frame,
// a background picture and positioned items over it. It paints itself onto
// any QPainter and writes itself to a card layout file. A plain object, not a
// widget: this program never shows a card, and the interactive designer
// (grips, hints, mouse editing, clipboard) is left out.
#pragma once

#include <QImage>
#include <QPainter>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <vector>

#include "card/qsl_component.h"
#include "card/qsl_image.h"
#include "card/qsl_label.h"
#include "card/qsl_line.h"

namespace virn::card {

// SaveToFile could not create or write the file.
class ECardFileError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class TQSLCard {
 public:
  TQSLCard();
  ~TQSLCard();
  TQSLCard(TQSLCard&&) noexcept;
  TQSLCard& operator=(TQSLCard&&) noexcept;

  int Width() const { return width_; }
  int Height() const { return height_; }
  // Throws std::invalid_argument for a negative width or height.
  void SetSize(int width, int height);

  // The card's own opaque copy (see OpaquePicture); later changes to the
  // caller's image do not reach it.
  const QImage& Picture() const { return picture_; }
  // Always raises OnChange first.
  void SetPicture(const QImage& picture);
  bool PictureEmpty() const { return picture_.isNull(); }

  // These raise OnChange before a change and do nothing when the value is the same.
  bool Border() const { return border_; }
  void SetBorder(bool border);
  std::uint32_t Color() const { return color_; }
  void SetColor(std::uint32_t color);
  bool Stretch() const { return stretch_; }
  void SetStretch(bool stretch);
  void SetOnChange(std::function<void()> handler) { onChange_ = std::move(handler); }

  // Names of the data fields that data labels can show.
  const QStringList& DataFields() const { return dataFields_; }
  void SetDataFields(const QStringList& dataFields) { dataFields_ = dataFields; }

  // Editing settings, kept only.
  int GridSize() const { return gridSize_; }
  void SetGridSize(int gridSize) { gridSize_ = gridSize; }
  std::uint32_t GridColor() const { return gridColor_; }
  void SetGridColor(std::uint32_t gridColor) { gridColor_ = gridColor; }
  bool ShowGrid() const { return showGrid_; }
  void SetShowGrid(bool showGrid) { showGrid_ = showGrid; }
  bool AlignToGrid() const { return alignToGrid_; }
  // Copied into every item.
  void SetAlignToGrid(bool alignToGrid);

  // The items in child order, index 0 first, owned by the card.
  std::size_t ItemCount() const { return items_.size(); }
  // Throw std::out_of_range for an index past the last item.
  TQSLComponent& Item(std::size_t index) { return *items_.at(index); }
  const TQSLComponent& Item(std::size_t index) const { return *items_.at(index); }
  // Appends the item; it takes the card's AlignToGrid.
  TQSLComponent& AddItem(std::unique_ptr<TQSLComponent> item);
  TQSLLabel& AddLabel();
  // Bound to the card's first data field, "{<name>}" as its caption.
  TQSLDataLabel& AddDataLabel();
  // Throws std::invalid_argument when `itemKind` is not a figure code.
  TQSLLine& AddLine(std::uint8_t itemKind);
  TQSLImage& AddImage();

  // Paints the card with its pixel (0, 0) at the canvas's (0, 0): frame and
  // fill, picture, then the items in order, data labels only when asked for.
  // Fonts are sized at the canvas's logical resolution. The painter's state
  // is left as it was.
  void PaintTo(QPainter& canvas, bool includeDataLabels) const;

  // Writes the card layout file (CardLayoutBytes), replacing any file of that
  // name. Throws ECardFileError, naming the file and the system's reason, when
  // it cannot be created or written; the file may then be incomplete.
  void SaveToFile(const QString& fileName, std::int32_t pixelsPerInch) const;

 private:
  template <typename T>
  T& Add(std::unique_ptr<T> item) {
    T& added = *item;
    AddItem(std::move(item));
    return added;
  }

  std::function<void()> onChange_;
  int width_ = 0;
  int height_ = 0;
  QImage picture_;
  bool border_ = true;
  std::uint32_t color_ = color::kWhite;
  bool stretch_ = false;
  QStringList dataFields_;
  int gridSize_ = 8;
  std::uint32_t gridColor_ = color::kGrey;
  bool alignToGrid_ = true;
  bool showGrid_ = false;
  std::vector<std::unique_ptr<TQSLComponent>> items_;
};

// The primary screen's logical resolution, rounded, when a QGuiApplication
// with a screen exists; 96 otherwise. What callers give SaveToFile.
std::int32_t ScreenPixelsPerInch();

}  // namespace virn::card
