#pragma once

#include "model/DocState.h"

#include <QRect>
#include <QSize>
#include <QWidget>

namespace vq {

// Where a picture of `picture` pixels is shown inside `area`: at its own size
// and centred when it is smaller both ways, otherwise scaled down to fit with
// its aspect kept (sizes truncated) and centred along the other axis.
[[nodiscard]] QRect PreviewRect(QSize picture, const QRect& area);

// The preview of the property dialogs: a picture fitted into the widget,
// optionally on a fill colour (only under the picture, or the whole area
// with a note when there is no picture) and with a one-pixel frame.
class PicturePreview : public QWidget {
    Q_OBJECT
public:
    explicit PicturePreview(QWidget* parent = nullptr);

    void setPicture(PicturePtr picture);
    [[nodiscard]] const PicturePtr& picture() const { return m_picture; }
    // kNoColor for none.
    void setFillColor(ColorRef colour);
    void setFrameColor(ColorRef colour);
    // Shown centred on the fill colour when there is no picture.
    void setEmptyText(const QString& text);

    // Where the picture is drawn now; empty without a picture.
    [[nodiscard]] QRect pictureRect() const;

    [[nodiscard]] QSize sizeHint() const override { return {240, 180}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    PicturePtr m_picture;
    ColorRef m_fill = kNoColor;
    ColorRef m_frame = kNoColor;
    QString m_emptyText;
};

} // namespace vq
