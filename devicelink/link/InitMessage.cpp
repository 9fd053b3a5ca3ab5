#include "InitMessage.h"

#include "ActivationStatus.h"
#include "MessageTexts.h"
#include "TKrixThread.h"

#include <algorithm>

namespace InitMessage {

bool DeviceReportsMessage(std::int32_t programNumber) {
    return programNumber >= ListedFrom ||
           std::find(std::begin(ListedPrograms), std::end(ListedPrograms), programNumber) != std::end(ListedPrograms);
}

QString Build(TKrixThread& thread, std::int32_t programNumber, std::uint8_t linkMode) {
    QString lines[4];
    QString keys;
    if (linkMode == 0 && DeviceReportsMessage(programNumber)) {
        ActivationState record;
        if (thread.readInitInfo(&record)) {
            for (int i = 0; i < ActivationStatus::Messages; ++i)
                Catalogue::BuildMessageText(static_cast<std::int32_t>(record.messageId[i]), record.source[i],
                                            record.slot[i], &lines[0], &lines[1], &lines[2], &lines[3], &keys);
            QString message;
            for (const QString& line : lines)
                message += line + u'\n';
            return message;
        }
    }
    Catalogue::BuildMessageText(DefaultId, DefaultSource, DefaultSlot, &lines[0], &lines[1], &lines[2], &lines[3],
                                &keys);
    return lines[DefaultSlot];
}

} // namespace InitMessage
