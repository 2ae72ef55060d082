#pragma once

#include <QDir>
#include <QString>

// Metafiles recorded by other programs, real ones and damaged ones, lie in
// shared/data/emf beside the clone; VIALAR_EMF_SAMPLES names another place. Tests that
// read them skip when the folder is absent.
inline QString EmfSampleFolder() {
    const QString configured = qEnvironmentVariable("VIALAR_EMF_SAMPLES");
    if (!configured.isEmpty()) return configured;
    return QDir::cleanPath(QStringLiteral(VIALAR_SOURCE_DIR "/../shared/data/emf"));
}
