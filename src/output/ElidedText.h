// Text for a word-wrapped field of a fixed size: the whole text when it fits,
// else the lines that fit, the last of them cut and ended by an ellipsis.
#pragma once
#include <QFont>
#include <QSize>
#include <QString>

QString FitWrappedText(const QString& text, const QFont& font, const QSize& room);
