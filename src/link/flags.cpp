#include "link/flags.h"

LinkFlags& LinkFlags::instance() {
    static LinkFlags flags;
    return flags;
}

void LinkFlags::setAbortRequested(bool value) {
    abortRequested_ = value;
    emit abortRequestedChanged(value);
}
