#include "collection/skin_index.h"

#include "author/skin_layout.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace corvamo {

QByteArray IndexLine(const QString& path, const SkinFiles& skin, const SkinReport& report) {
    QJsonArray pictures;
    qint64 size = skin.archive ? QFileInfo(path).size() : 0;
    for (const SkinFileRole& role : SkinLayout()) {
        const QString found = skin.find(role.name);
        if (found.isEmpty()) continue;
        if (role.mainSlot >= 0 || role.extraSlot >= 0) pictures.append(role.name);
        if (!skin.archive) size += QFileInfo(found).size();
    }
    QJsonArray levels[3];
    for (const Finding& finding : report.findings)
        levels[finding.level].append(
            QJsonObject{{QStringLiteral("file"), finding.file}, {QStringLiteral("text"), finding.text}});
    const QJsonObject object{
        {QStringLiteral("path"), path},
        {QStringLiteral("name"), skin.name},
        {QStringLiteral("form"), skin.archive ? QStringLiteral("archive") : QStringLiteral("folder")},
        {QStringLiteral("pictures"), pictures},
        {QStringLiteral("errors"), levels[Finding::Error]},
        {QStringLiteral("warnings"), levels[Finding::Warning]},
        {QStringLiteral("notes"), levels[Finding::Note]},
        {QStringLiteral("size"), double(size)},
    };
    return QJsonDocument(object).toJson(QJsonDocument::Compact) + '\n';
}

}  // namespace corvamo
