#pragma once

#include "launcher/commandline/ArchiveFolder.h"
#include "launcher/commandline/JavaCommandLine.h"

class LogfileWriter;

// Once the client of a start that lists its classes is ready (plan.assemblyOptions not empty):
// copies the whole lines listed so far, the classes of the client's start, to plan.startList and
// starts the runtime of client once more, without a window and below normal priority, to assemble
// the archive from them beside the running client. The run gets the client's runtime and class
// path (client, as composed for the client's own start) and plan.assemblyOptions; nothing of the
// client's own options. A list without a whole line (the client listed nothing), a list that cannot
// be copied and a run that cannot be started are logged and cost only the archive, never the start:
// nothing here throws but the log.
void startArchiveAssembly(const ClassDataArchivePlan& plan, const JavaCommandLineParts& client, LogfileWriter& log);
