// The plot saved as a picture file: the plot on the card, the card painted into
// a picture of its size, the picture written as BMP or JPEG into a temporary
// folder and moved to the chosen name, the folder removed afterwards. No
// widgets; the dialog and the cursor belong to the caller.
#pragma once

#include <QImage>
#include <QString>
#include <functional>
#include <stdexcept>
#include <string>

#include "card/qsl_card.h"
#include "export/picture_files.h"
#include "export/save_name.h"

namespace virn::exports {

inline const QString kSaveFailedText = QStringLiteral("Не удалось сохранить график.");

// The card painted into a 24-bit picture of the card's size, data labels left out.
QImage CardPicture(const card::TQSLCard& card);

// The file bytes of a picture in the format.
QByteArray PictureFile(const QImage& picture, PictureFormat format);

// Saves the plot under `fileName` (its extension already applied). The plot is
// copied into the card's picture first. Any failure up to and including the
// move calls `reportFailure` with the failure's own text, which the user is not
// shown, and the save goes on with the clean-up; the result then is false. A
// failure of the clean-up itself leaves as an exception.
bool SavePlotPicture(card::TQSLCard& card, const QImage& plot, const QString& fileName, PictureFormat format,
                     PictureFiles& files,
                     const std::function<void(const std::string& reason)>& reportFailure);

}  // namespace virn::exports
