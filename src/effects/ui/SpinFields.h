// The numeric spin fields of the effect dialogs.
//
// Both keep the text the user typed: the commands read the TEXT and parse it
// with the core's field readers, so that a time reaches the fade length as
// an extended number and never passes through a double. A QDoubleSpinBox
// would hold a double, and under a German locale its validator would
// refuse a typed point. The arrows step by 1; leaving the field (or pressing
// OK, see the dialogs) brings the text into range, a non-number becoming the
// minimum.
#pragma once

#include <QAbstractSpinBox>

#include <cstdint>

#include "clip/Extended.h"

class TextSpinField : public QAbstractSpinBox {
    Q_OBJECT
public:
    explicit TextSpinField(QWidget* parent);

    // Rewrites the text so that it reads as a value in the field's range.
    void Normalize();

    void stepBy(int steps) override;

protected:
    void SetText(const QString& text);
    StepEnabled stepEnabled() const override;
    QValidator::State validate(QString& input, int& pos) const override;
    void focusOutEvent(QFocusEvent* event) override;

    // The characters a number of this field may contain.
    virtual bool IsNumberChar(QChar c) const = 0;
    // The text after `steps` arrow steps from `text`.
    virtual QString Stepped(const QString& text, int steps) const = 0;
    // The text brought into range.
    virtual QString Normalized(const QString& text) const = 0;
};

// `ZeitEd`: seconds within 1e-06..100, shown with two decimals and a
// decimal comma; a point is accepted as well.
class TimeSpinField : public TextSpinField {
    Q_OBJECT
public:
    explicit TimeSpinField(QWidget* parent) : TextSpinField(parent) {}
    // Writes a text as it stands (the commands' presets "2,00", "0,50").
    using TextSpinField::SetText;
    // The text as the commands read it: parsed at extended precision and held in range.
    zirpel::Extended Value() const;

protected:
    bool IsNumberChar(QChar c) const override;
    QString Stepped(const QString& text, int steps) const override;
    QString Normalized(const QString& text) const override;
};

// `SamplesEd`: whole hertz within 1..200000.
class RateSpinField : public TextSpinField {
    Q_OBJECT
public:
    explicit RateSpinField(QWidget* parent) : TextSpinField(parent) {}
    // Writes a value, brought into range.
    void SetValue(std::int64_t rate);
    // The text as the command reads it, held in range (a non-number is 1).
    std::int32_t Value() const;

protected:
    bool IsNumberChar(QChar c) const override;
    QString Stepped(const QString& text, int steps) const override;
    QString Normalized(const QString& text) const override;
};
