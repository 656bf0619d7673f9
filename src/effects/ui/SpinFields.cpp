#include "effects/ui/SpinFields.h"

#include <QLineEdit>

#include "effects/FieldText.h"

namespace {

std::string Std(const QString& s) { return s.toStdString(); }
QString FromStd(const std::string& s) { return QString::fromStdString(s); }
bool IsAsciiDigit(QChar c) { return c >= u'0' && c <= u'9'; }

}  // namespace

TextSpinField::TextSpinField(QWidget* parent) : QAbstractSpinBox(parent) {
    setAccelerated(false);
    setCorrectionMode(QAbstractSpinBox::CorrectToPreviousValue);
}

void TextSpinField::SetText(const QString& text) { lineEdit()->setText(text); }

void TextSpinField::Normalize() {
    const QString fixed = Normalized(text());
    if (fixed != text()) SetText(fixed);
}

void TextSpinField::stepBy(int steps) {
    SetText(Stepped(text(), steps));
    selectAll();
}

QAbstractSpinBox::StepEnabled TextSpinField::stepEnabled() const {
    return isReadOnly() ? StepNone : (StepUpEnabled | StepDownEnabled);
}

// Any text of number characters may be typed; whether it is a number is
// decided when it is read.
QValidator::State TextSpinField::validate(QString& input, int&) const {
    for (const QChar c : input)
        if (!IsNumberChar(c)) return QValidator::Invalid;
    return QValidator::Acceptable;
}

void TextSpinField::focusOutEvent(QFocusEvent* event) {
    QAbstractSpinBox::focusOutEvent(event);
    Normalize();
}

zirpel::Extended TimeSpinField::Value() const { return zirpel::ReadTimeText(Std(text())); }

bool TimeSpinField::IsNumberChar(QChar c) const {
    return IsAsciiDigit(c) || c == u',' || c == u'.' || c == u'+' || c == u'-' || c == u'e' ||
           c == u'E' || c == u' ';
}

QString TimeSpinField::Stepped(const QString& text, int steps) const {
    return FromStd(zirpel::FormatTimeText(zirpel::ClampTime(zirpel::ReadTimeText(Std(text)) + steps)));
}

// A number inside the range keeps its digits (shown with a comma); one at or
// beyond a limit, or no number, shows the limit.
QString TimeSpinField::Normalized(const QString& text) const {
    const auto value = zirpel::ParseTimeText(Std(text));
    if (!value || *value == zirpel::kMinTime || *value == zirpel::kMaxTime)
        return FromStd(zirpel::FormatTimeText(value.value_or(zirpel::kMinTime)));
    QString shown = text.trimmed();
    shown.replace(u'.', u',');
    return shown;
}

void RateSpinField::SetValue(std::int64_t rate) { SetText(QString::number(zirpel::ClampRate(rate))); }

std::int32_t RateSpinField::Value() const { return zirpel::ReadRateText(Std(text())); }

bool RateSpinField::IsNumberChar(QChar c) const {
    return IsAsciiDigit(c) || c == u'+' || c == u'-' || c == u' ';
}

QString RateSpinField::Stepped(const QString& text, int steps) const {
    return QString::number(zirpel::ClampRate(std::int64_t{zirpel::ReadRateText(Std(text))} + steps));
}

QString RateSpinField::Normalized(const QString& text) const {
    return QString::number(zirpel::ReadRateText(Std(text)));
}
