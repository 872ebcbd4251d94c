#include "app/crsfield.h"

#include "engine/geodesy/coordinatesystem.h"

#include <QComboBox>
#include <QCompleter>
#include <QRegularExpression>
#include <QSettings>
#include <QStringList>
#include <QStringListModel>

namespace veltrane {

namespace {

// Where the field's text is kept between runs.
const char *const kSettingsOrganization = "Veltrane";
const char *const kSettingsApplication = "veltrane";
const char *const kCrsKey = "input/coordinateSystem";

}  // namespace

std::string crsDefinitionOf(const QString &text)
{
    static const QRegularExpression completed(QStringLiteral("\\(([A-Za-z0-9_]+:[A-Za-z0-9_.]+)\\)$"));
    const QString trimmed = text.trimmed();
    const QRegularExpressionMatch match = completed.match(trimmed);
    return (match.hasMatch() ? match.captured(1) : trimmed).toStdString();
}

void setUpCrsField(QComboBox *field)
{
    QStringList names;
    for (const std::string &name : knownSystemNames())
        names.append(QString::fromStdString(name));
    auto *completer = new QCompleter(new QStringListModel(names, field), field);
    completer->setCaseSensitivity(Qt::CaseInsensitive);
    completer->setFilterMode(Qt::MatchContains);
    field->setCompleter(completer);
    const QSettings settings{QString::fromLatin1(kSettingsOrganization), QString::fromLatin1(kSettingsApplication)};
    field->setEditText(settings.value(QLatin1String(kCrsKey)).toString());
}

void rememberCrsField(const QComboBox *field)
{
    QSettings settings{QString::fromLatin1(kSettingsOrganization), QString::fromLatin1(kSettingsApplication)};
    settings.setValue(QLatin1String(kCrsKey), field->currentText());
}

}  // namespace veltrane
