#pragma once

#include <QWidget>

#include <array>

class QLabel;

namespace widgets {

// A status bar of two text panels with sunken frames, addressed by 1-based index: panel 1
// keeps the width it is given, panel 2 fills the rest of the bar but never gets narrower
// than its minimum. The bar's height, top and left are the widget's own.
class StatusBar : public QWidget {
    Q_OBJECT
public:
    static constexpr int PanelCount = 2;

    explicit StatusBar(QWidget* parent = nullptr);

    // Setters return false for an index outside 1..2 or a negative width. A new text takes
    // the panel's tooltip away.
    bool setPanelText(int index, const QString& text);
    bool setPanelToolTip(int index, const QString& tip);
    QString panelToolTip(int index) const;
    QString panelText(int index) const;
    bool setPanelWidth(int index, int width);
    // The width the panel has now: panel 1 its set width, panel 2 its stretched width.
    int panelWidth(int index) const;
    QRect panelRect(int index) const;

    // What a panel is for, as assistive technology names it while the panel has no text;
    // with a text the text is its name and this its description.
    bool setPanelName(int index, const QString& name);

    void setStretchMinimum(int width);
    int stretchMinimum() const { return m_stretchMinimum; }

    QSize sizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    static constexpr int Gap = 2;
    void layoutPanels();
    void nameForAccessibility(int index);

    std::array<QLabel*, PanelCount> m_panels{};
    std::array<QString, PanelCount> m_names;
    std::array<int, PanelCount> m_widths{100, 100};
    int m_stretchMinimum = 100;
};

} // namespace widgets
