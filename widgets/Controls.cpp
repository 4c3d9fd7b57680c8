#include "widgets/Controls.h"

#include <QApplication>
#include <QCheckBox>
#include <QColorDialog>
#include <QKeyEvent>
#include <QPainter>
#include <QRegularExpression>
#include <QSignalBlocker>
#include <QToolButton>
#include <QWheelEvent>
#include <QVBoxLayout>

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <locale.h>

namespace {

// Two arrows together stand as high as a text field.
constexpr QSize kArrowSize{18, 13};

const QString kNumberPattern = QStringLiteral(R"([+-]?(?:\d+(?:\.\d*)?|\.\d+)(?:[eE][+-]?\d+)?)");
// The tint that marks a field whose text is not wholly a number.
const QColor kInvalidTint(255, 224, 224);

const QRegularExpression& leadingNumberPattern()
{
    static const QRegularExpression number(QStringLiteral(R"(^\s*)") + kNumberPattern);
    return number;
}

// What a field whose text is not wholly a number reads as, and why.
QString whatIsRead(const QString& text)
{
    const QString used = formatNumber(leadingNumber(text));
    if (text.trimmed().isEmpty())
        return NumberField::tr("The field is empty: %1 is used.").arg(used);
    if (!leadingNumberPattern().match(text).hasMatch())
        return NumberField::tr("“%1” is not a number: %2 is used.").arg(text, used);
    if (!std::isfinite(leadingNumber(text)))
        return NumberField::tr("The number is too large: %1 is used.").arg(used);
    return NumberField::tr("Only the number at the start is read: %1 is used.").arg(used);
}

}

bool holdsOnlyANumber(const QString& text)
{
    static const QRegularExpression whole(QStringLiteral(R"(^\s*)") + kNumberPattern + QStringLiteral(R"(\s*$)"));
    return whole.match(text).hasMatch() && std::isfinite(leadingNumber(text));
}

float leadingNumber(const QString& text)
{
    const QRegularExpressionMatch match = leadingNumberPattern().match(text);
    if (!match.hasMatch())
        return 0;
    // strtof rounds once, to the nearest float, and gives an infinity out of range. The C
    // locale, whatever the user's: the decimal point is a point here, as it is when writing.
    static const locale_t cLocale = newlocale(LC_NUMERIC_MASK, "C", locale_t(nullptr));
    return strtof_l(match.captured().toLatin1().constData(), nullptr, cLocale);
}

QString formatNumber(float value)
{
    char buffer[32];
    const std::to_chars_result result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return QString::fromLatin1(buffer, static_cast<qsizetype>(result.ptr - buffer));
}

int tagOf(const QObject* control)
{
    return control ? control->property("tag").toInt() : 0;
}

bool isOn(const QCheckBox* checkbox)
{
    if (checkbox && checkbox->checkState() == Qt::PartiallyChecked)
        return checkbox->property("ownValue").toBool();
    return checkbox && checkbox->checkState() == Qt::Checked;
}

void showMixed(QCheckBox* checkbox, bool own, const QString& toolTip)
{
    if (!checkbox || checkbox->checkState() == Qt::PartiallyChecked)
        return;
    checkbox->setProperty("ownValue", own);
    checkbox->setProperty("unmixedToolTip", checkbox->toolTip());
    const QSignalBlocker quiet(checkbox);
    checkbox->setTristate(true);
    checkbox->setCheckState(Qt::PartiallyChecked);
    checkbox->setToolTip(toolTip);
    // A click goes on from partly checked to checked: from then on an ordinary box.
    checkbox->setProperty("setWhileMixed", false);
    QObject::connect(checkbox, &QAbstractButton::clicked, checkbox, [checkbox] {
        showUnmixed(checkbox, checkbox->checkState() == Qt::Checked);
        checkbox->setProperty("setWhileMixed", true);
    }, Qt::SingleShotConnection);
}

bool wasSetWhileMixed(const QCheckBox* checkbox)
{
    if (!checkbox)
        return false;
    // Clicked, before or after the box turned ordinary again.
    return (checkbox->isTristate() && checkbox->checkState() != Qt::PartiallyChecked)
        || checkbox->property("setWhileMixed").toBool();
}

void showUnmixed(QCheckBox* checkbox, bool on)
{
    if (!checkbox || !checkbox->isTristate())
        return;
    const QSignalBlocker quiet(checkbox);
    checkbox->setProperty("setWhileMixed", false);
    checkbox->setTristate(false);
    checkbox->setChecked(on);
    checkbox->setToolTip(checkbox->property("unmixedToolTip").toString());
}

NumberField::NumberField(QWidget* parent)
    : QLineEdit(parent)
{
    // Return always commits; leaving the field commits only an edit, so that focus moving
    // around (a dialog opening, say) does not redraw from the controls.
    connect(this, &QLineEdit::returnPressed, this, &NumberField::commit);
    connect(this, &QLineEdit::editingFinished, this, &NumberField::commitPendingEdit);
    // A mark goes as soon as the text is a number again; it comes only with a commit, not
    // half way through typing one.
    connect(this, &QLineEdit::textChanged, this, [this] {
        if (m_markedInvalid && holdsOnlyANumber(text()))
            markWhetherANumber();
    });
    // Typed into, it holds what was typed, for every value it stood for.
    connect(this, &QLineEdit::textEdited, this, [this] {
        if (m_mixed) {
            m_mixed = false;
            m_setWhileMixed = true;
            setToolTip(m_unmixedToolTip);
        }
    });
}

void NumberField::commit()
{
    setModified(false);
    markWhetherANumber();
    emit numberEdited();
}

void NumberField::showMixed(const QString& toolTip)
{
    if (isMixed())
        return;
    m_kept = text();
    m_mixed = true;
    m_setWhileMixed = false;
    m_unmixedToolTip = QLineEdit::toolTip();
    setText(QString());
    setModified(false);
    setToolTip(toolTip);
}

void NumberField::setCommittedText(const QString& text)
{
    if (m_mixed) {
        m_mixed = false;
        setToolTip(m_unmixedToolTip);
    }
    m_setWhileMixed = false;
    setText(text);
    setModified(false);
    markWhetherANumber();
}

void NumberField::commitPendingEdit()
{
    if (isModified())
        commit();
}

void NumberField::commitEditThenStep(int steps)
{
    commitPendingEdit();
    emit stepRequested(steps);
}

void NumberField::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Up:
        commitEditThenStep(1);
        break;
    case Qt::Key_Down:
        commitEditThenStep(-1);
        break;
    default:
        QLineEdit::keyPressEvent(event);
    }
}

void NumberField::wheelEvent(QWheelEvent* event)
{
    // Only a field being worked in: the wheel over the others scrolls what holds them.
    const int notches = event->angleDelta().y() / QWheelEvent::DefaultDeltasPerStep;
    if (!hasFocus() || notches == 0) {
        event->ignore();
        return;
    }
    commitEditThenStep(notches);
}

void NumberField::markWhetherANumber()
{
    const bool invalid = !holdsOnlyANumber(text());
    if (invalid == m_markedInvalid && !invalid)
        return;
    if (!m_markedInvalid)
        m_plainToolTip = toolTip();
    m_markedInvalid = invalid;
    QPalette tinted = QApplication::palette(this);
    if (invalid)
        tinted.setColor(QPalette::Base, kInvalidTint);
    setPalette(tinted);
    if (!invalid) {
        setToolTip(m_plainToolTip);
        return;
    }
    setToolTip(whatIsRead(text()));
}

Stepper::Stepper(QWidget* parent)
    : QWidget(parent)
    , m_up(new QToolButton(this))
    , m_down(new QToolButton(this))
{
    setFocusPolicy(Qt::NoFocus);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    for (QToolButton* arrow : {m_up, m_down}) {
        arrow->setArrowType(arrow == m_up ? Qt::UpArrow : Qt::DownArrow);
        arrow->setAutoRepeat(true);
        arrow->setFocusPolicy(Qt::NoFocus);
        arrow->setFixedSize(kArrowSize);
        layout->addWidget(arrow);
    }
    connect(m_up, &QToolButton::clicked, this, &Stepper::stepUp);
    connect(m_down, &QToolButton::clicked, this, &Stepper::stepDown);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

QSize Stepper::sizeHint() const
{
    return {kArrowSize.width(), 2 * kArrowSize.height()};
}

void Stepper::setMinimum(double minimum)
{
    m_minimum = minimum;
    m_maximum = std::max(m_maximum, minimum);
    setValue(m_value);
}

void Stepper::setMaximum(double maximum)
{
    m_maximum = maximum;
    m_minimum = std::min(m_minimum, maximum);
    setValue(m_value);
}

void Stepper::setValue(double value)
{
    m_value = std::isnan(value) ? m_minimum : std::clamp(value, m_minimum, m_maximum);
}

void Stepper::stepUp()
{
    moveBy(m_increment);
}

void Stepper::stepDown()
{
    moveBy(-m_increment);
}

void Stepper::stepBy(int steps)
{
    moveBy(steps * m_increment);
}

void Stepper::moveBy(double delta)
{
    setValue(m_value + delta);
    emit valueStepped();
}

void Stepper::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Up:
        stepUp();
        break;
    case Qt::Key_Down:
        stepDown();
        break;
    default:
        QWidget::keyPressEvent(event);
    }
}

void Stepper::wheelEvent(QWheelEvent* event)
{
    const int notches = event->angleDelta().y() / QWheelEvent::DefaultDeltasPerStep;
    if (notches == 0) {
        event->ignore();
        return;
    }
    stepBy(notches);
}

FloatSlider::FloatSlider(QWidget* parent)
    : QSlider(Qt::Horizontal, parent)
{
    connect(this, &QSlider::valueChanged, this, [this] {
        if (!m_settingValue)
            emit valueEdited();
    });
}

void FloatSlider::setFloatValue(float value)
{
    const double steps = static_cast<double>(value) * m_scale;
    const double held = std::isnan(steps) ? minimum() : std::clamp<double>(steps, minimum(), maximum());
    m_settingValue = true;
    setValue(static_cast<int>(std::lround(held)));
    m_settingValue = false;
}

void showValueOfSliderIn(NumberField& field, FloatSlider& slider)
{
    const auto show = [&field, &slider] { field.setCommittedText(formatNumber(slider.floatValue())); };
    QObject::connect(&slider, &QSlider::valueChanged, &field, show);
    QObject::connect(&field, &NumberField::numberEdited, &slider, [&field, &slider, show] {
        slider.setFloatValue(field.floatValue());
        show();
    });
    QObject::connect(&field, &NumberField::stepRequested, &slider, [&slider, show](int steps) {
        slider.setValue(slider.value() + steps * slider.singleStep());
        show();
    });
    show();
}

ColorWell::ColorWell(QWidget* parent)
    : QPushButton(parent)
{
    connect(this, &QPushButton::clicked, this, &ColorWell::openColorDialog);
}

void ColorWell::setColor(const QColor& color)
{
    m_color = color;
    update();
}

QSize ColorWell::sizeHint() const
{
    return {44, 26};
}

void ColorWell::paintEvent(QPaintEvent* event)
{
    QPushButton::paintEvent(event);
    QPainter painter(this);
    const QRect swatch = rect().adjusted(6, 6, -6, -6);
    if (!m_color.isValid()) {
        painter.setPen(palette().color(QPalette::Mid));
        painter.drawRect(swatch);
        painter.drawLine(swatch.bottomLeft(), swatch.topRight());
        return;
    }
    if (!isEnabled())
        painter.setOpacity(0.3);
    painter.fillRect(swatch, m_color);
    painter.setPen(palette().color(QPalette::Shadow));
    painter.drawRect(swatch);
}

void ColorWell::openColorDialog()
{
    auto* dialog = new QColorDialog(m_color.isValid() ? m_color : QColor(Qt::black), window());
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowTitle(toolTip().isEmpty() ? tr("Choose a Colour") : toolTip());
    // A pen or a fill may be see-through: the design keeps and draws the alpha.
    dialog->setOption(QColorDialog::ShowAlphaChannel);
    connect(dialog, &QColorDialog::colorSelected, this, [this](const QColor& color) {
        setColor(color);
        emit colorPicked();
    });
    dialog->open();
}
