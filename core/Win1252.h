#pragma once

#include <QByteArray>
#include <QChar>
#include <QString>

// Windows-1252, the character set of the database attachment. Text crosses to the
// database through these functions only, so nothing is stored with a character
// silently replaced.

// True when the character has a Windows-1252 byte.
bool IsWin1252Representable(QChar character);

// The Unicode character of one Windows-1252 byte (the five unassigned bytes map to the
// C1 control of the same number).
QChar Win1252ToUnicode(unsigned char byte);

// Decodes bytes into text.
QString DecodeWin1252(const char* bytes, int length);
// The same into an existing string, reusing its buffer when it is not shared.
void DecodeWin1252Into(QString& target, const char* bytes, int length);

// Encodes text; raises EDatabaseError naming the first character that has no
// Windows-1252 byte.
QByteArray EncodeWin1252(const QString& text);

// The message for a character the database cannot store.
QString UnrepresentableCharacterMessage(QChar character);
