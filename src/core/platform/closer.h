// Closing the last descriptor of a file whose name has been given to a new file frees the old file's
// blocks; on some file systems (online discard) that costs more than all the rest of writing the new
// file. Such descriptors are closed on a thread of their own, so that the run goes on meanwhile.
#pragma once

namespace zur::fs {

// Closes `fd` soon, on the closing thread (at most a few hundred wait at a time; more waits).
void CloseInBackground(int fd);
// Returns once every descriptor handed over so far is closed.
void WaitForBackgroundCloses();

}  // namespace zur::fs
