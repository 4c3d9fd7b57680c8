#pragma once

// The small controls the controller works with. Like the toolkit controls they stand in for,
// they hold a float value, setting a value from code never sends an action, and a user's change
// does. Every control may carry an integer `tag` as a dynamic property set in the .ui file.

#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QWidget>

class QCheckBox;
class QToolButton;

// The leading number of a text, as a text field reads it: "72.9 mm" gives 72.9, text that does
// not begin with a number gives 0.
float leadingNumber(const QString& text);
// The shortest text that reads back as the same float.
QString formatNumber(float value);
// Whether a text is one finite number and nothing else (blanks around it aside): what it shows
// is then what it reads as.
bool holdsOnlyANumber(const QString& text);

// A control's tag: 0 for a control without one.
int tagOf(const QObject* control);
// A checkbox counts as on only when fully checked; a missing one counts as off, and a partly
// checked one as the value it stands for (showMixed).
bool isOn(const QCheckBox* checkbox);
// Shows a box partly checked, for several things that differ, while it stands for `own`: a
// click sets it, on, for all of them, and it is an ordinary box again.
void showMixed(QCheckBox* checkbox, bool own, const QString& toolTip);
// An ordinary box again, checked as `on`, if it showed mixed values.
void showUnmixed(QCheckBox* checkbox, bool on);
// Whether the user clicked it while it showed mixed values, since it last showed them.
bool wasSetWhileMixed(const QCheckBox* checkbox);

// A text field for one number. Sends numberEdited when the user commits a change (Return, or
// leaving the field after editing it). Up and Down, and the wheel while it has the focus, ask for
// a step (stepRequested), after committing an edit. Text that is not wholly a number is marked
// once committed, with a tooltip saying which value is used, until it holds a number again.
class NumberField : public QLineEdit
{
    Q_OBJECT

public:
    explicit NumberField(QWidget* parent = nullptr);

    float floatValue() const { return leadingNumber(typedText()); }
    // The text the field stands for: what it shows, or, while it shows mixed values and nothing
    // has been typed, the text it kept.
    QString typedText() const { return isMixed() ? m_kept : text(); }
    // Shows no text, for several values that differ, and says so in a tooltip, while standing for
    // the text it held; typing sets it for all of them.
    void showMixed(const QString& toolTip);
    bool isMixed() const { return m_mixed && text().isEmpty(); }
    // Whether the user typed into it while it showed mixed values.
    bool wasSetWhileMixed() const { return m_setWhileMixed; }
    void setFloatValue(float value) { setText(formatNumber(value)); }
    // Shows a text as a committed edit leaves it, marked when it is not wholly a number, but
    // sends nothing: for a value that comes from a file or from the history of changes.
    void setCommittedText(const QString& text);
    // Commits what the user has typed and not yet committed, as Return would; nothing otherwise.
    void commitPendingEdit();

    // Whether the field is marked as holding text that is not wholly a number.
    bool isMarkedInvalid() const { return m_markedInvalid; }

signals:
    void numberEdited();
    void stepRequested(int steps);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    void commit();
    void commitEditThenStep(int steps);
    void markWhetherANumber();

    bool m_markedInvalid = false;
    QString m_plainToolTip;
    bool m_mixed = false;
    bool m_setWhileMixed = false;
    QString m_kept;           // the text it stands for while it shows mixed values
    QString m_unmixedToolTip;
};

// Up and down arrows that step a float value within a range. It takes no focus of its own: the
// number field beside it steps it with the arrow keys.
class Stepper : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(double minimum READ minimum WRITE setMinimum)
    Q_PROPERTY(double maximum READ maximum WRITE setMaximum)
    Q_PROPERTY(double increment READ increment WRITE setIncrement)
    Q_PROPERTY(double value READ value WRITE setValue)

public:
    explicit Stepper(QWidget* parent = nullptr);

    double minimum() const { return m_minimum; }
    void setMinimum(double minimum);
    double maximum() const { return m_maximum; }
    void setMaximum(double maximum);
    double increment() const { return m_increment; }
    void setIncrement(double increment) { m_increment = increment; }
    double value() const { return m_value; }
    void setValue(double value);   // held within the range; NaN becomes the minimum

    float floatValue() const { return static_cast<float>(m_value); }
    void setFloatValue(float value) { setValue(value); }

    // As a click on an arrow: moves by one increment and sends valueStepped.
    void stepUp();
    void stepDown();
    // As that many clicks at once (down for a negative count).
    void stepBy(int steps);

    QSize sizeHint() const override;

signals:
    void valueStepped();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    void moveBy(double delta);

    QToolButton* m_up;
    QToolButton* m_down;
    double m_minimum = 0;
    double m_maximum = 100;
    double m_increment = 1;
    double m_value = 0;
};

// A slider with a float value: `scale` slider steps make one unit. Sends valueEdited on a
// user's change only.
class FloatSlider : public QSlider
{
    Q_OBJECT
    Q_PROPERTY(double scale READ scale WRITE setScale)

public:
    explicit FloatSlider(QWidget* parent = nullptr);

    double scale() const { return m_scale; }
    void setScale(double scale) { m_scale = scale > 0 ? scale : 1; }

    float floatValue() const { return static_cast<float>(value() / m_scale); }
    void setFloatValue(float value);   // held within the range; NaN becomes the minimum

signals:
    void valueEdited();

private:
    double m_scale = 1;
    bool m_settingValue = false;
};

// Makes `field` the slider's number box: it shows the slider's value whenever that changes, a
// committed number moves the slider to it (held within the slider's range, on its steps, and
// shown so), and Up and Down step the slider. The field's numberEdited follows the move: the
// field's own listeners hear of the change after the slider holds it.
void showValueOfSliderIn(NumberField& field, FloatSlider& slider);

// A swatch of a colour; clicking it opens the colour dialog. Sends colorPicked when the user
// chooses a colour there.
class ColorWell : public QPushButton
{
    Q_OBJECT

public:
    explicit ColorWell(QWidget* parent = nullptr);

    QColor color() const { return m_color; }
    void setColor(const QColor& color);

    QSize sizeHint() const override;

signals:
    void colorPicked();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void openColorDialog();

    QColor m_color;
};
