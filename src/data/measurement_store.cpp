#include "data/measurement_store.h"

namespace zepra {

void InitialiseStore(MeasurementStore& store) {
    store.realTimeSamples.readingCount = 0;
    store.currentGroupSlot.readingCount = 0;
    for (GroupSlot& slot : store.groupSlots) {
        slot.readingCount = 0;
    }
    store.unitIsMils = 0;
    store.receiveMode = ModeIdle;
}

}  // namespace zepra
