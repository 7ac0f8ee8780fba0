// SPDX-License-Identifier: MIT
#pragma once

#include <QWidget>

// One line of text that is never shown cut: in less room than the text needs,
// it ends in "…" and the tooltip holds the whole of it. It asks its layout for
// the room of the whole text and takes down to the room of "…".
class ElidedLabel : public QWidget
{
    Q_OBJECT

public:
    explicit ElidedLabel(QWidget *parent = nullptr);

    QString text() const { return m_text; }
    void setText(const QString &text);
    // An explanation in the tooltip, below the whole text when that is cut.
    void setDetail(const QString &detail);
    // What is painted: the text, or as much of it as fits and "…".
    QString shownText() const;
    bool isElided() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    // The width the layout is asked for when the text is `textWidth` wide.
    virtual int hintWidthFor(int textWidth) { return textWidth; }
    // Another font: the widths measured so far no longer hold.
    virtual void forgetWidths() { }

    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    int textWidth() const;
    // Whole pixels enough for `text`.
    int advance(const QString &text) const;
    void refit();
    void showToolTip();

    QString m_text;
    QString m_detail;
    int m_hintWidth = 0; // what the layout was last told
};
