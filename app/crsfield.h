#pragma once
// The "Coordinates" field of "Input Parameters": completion over the names
// of PROJ's database, the system it stands for, and the value remembered
// between runs of the program.

#include <QString>
#include <string>

class QComboBox;

namespace veltrane {

// The definition PROJ is given for the field's text: the code of a name
// completed as "NAME (AUTHORITY:CODE)", otherwise the text as typed
// (trimmed); empty for degrees.
std::string crsDefinitionOf(const QString &text);

// Completion over PROJ's names (matching anywhere, any case) and the text
// remembered from the last run.
void setUpCrsField(QComboBox *field);

// Remembers the field's text for the next start.
void rememberCrsField(const QComboBox *field);

}  // namespace veltrane
