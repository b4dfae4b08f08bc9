#pragma once

#include "sync/sync_task.h"

namespace vantora {

// What the device worker does with the keyboard, told as it happens so that
// a window can show it: a job that talks to the keyboard starts, moves on
// (the long transfers: the initial load's key tables, the macro memory) and
// ends with its outcome. Music frames are not told.
struct WriteActivity {
    enum class Kind { kStarted, kProgress, kFinished };
    Kind kind = Kind::kStarted;
    int task = 0;                            // the job (SyncTask)
    int done = 0;                            // kProgress: blocks done of `total`
    int total = 0;                           // kProgress only
    JobOutcome outcome = JobOutcome::kDone;  // kFinished only
};

}  // namespace vantora
