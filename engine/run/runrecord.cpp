#include "engine/run/runstages.h"

#include "engine/network/networkprovenance.h"
#include "engine/network/networkvalidation.h"
#include "engine/run/conversionrecord.h"

#include <QDateTime>

namespace veltrane {

std::shared_ptr<ConversionRecord> Run::makeRecord(StreamTotals &totals) const
{
    auto record = std::make_shared<ConversionRecord>();
    record->input = inputName();
    // A pipe or a device cannot be read again: only a regular file is
    // measured, now when the record is written, or when it is saved (the
    // window), if the file has not changed by then.
    if (!options_.inputStream) {
        record->inputStamp = stampOfFile(options_.input);
        if (!options_.record.isEmpty())
            measureInput(*record);
    }
    record->outputs.append(options_.outputStream ? QStringLiteral("standard output") : options_.output);
    for (const QString &path : {options_.controlShift, options_.tinshift, options_.quality})
        if (!path.isEmpty())
            record->outputs.append(path);
    record->provenance =
        networkProvenance(options_.network, options_.settings, options_.version, QDateTime::currentDateTimeUtc());
    record->points = totals.points;
    record->outside = totals.outside;
    record->extended = totals.extended;
    record->rejected = totals.rejects.count;
    record->outsideMode = options_.outside;
    record->shifts = std::move(totals.shifts);
    record->keptShifts = keptShifts_;
    record->outsideIds = result_.outsideIds;
    return record;
}

// The record with the network's check among the run's outputs.
bool Run::writeRecord(const ConversionRecord &record)
{
    QByteArray pdf;
    QString error;
    if (!options_.renderRecord(options_.record, record, *control_, *triangles_, validation(), pdf, error) ||
        !outputs_.write(record_, pdf.constData(), size_t(pdf.size()), error))
        return failed(error);
    return true;
}

}  // namespace veltrane
