// Files written as one set: every member goes into a hidden temporary file
// (".vornesk-XXXXXX") beside its target, and the temporaries are renamed
// into place only once all of them are written. A failed member, a cancel or
// a signal that ends the program removes them instead, and every file the
// set would have replaced keeps what it held. A single file is a set of one.
//
// While a set has temporaries, the signals that end a program (SIGTERM,
// SIGHUP, SIGINT...) are caught: the handler removes the temporaries of
// every open set and then does what was there before (the host's own
// handler, or the default action). Only SIGKILL leaves a temporary behind.
//
// The renames run under an advisory lock (flock) on the folder of the set's
// name, with the caught signals held until they are done, so that sets
// written to one name at once by several programs end as one program's
// whole set; a target that appeared, or turned into a folder, meanwhile
// fails the set and the files already renamed are put back.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/host/result_codes.h"

// A set given up because the user cancelled or a signal removed its temporaries.
inline constexpr int kFileSetCancelled = userCanceledErr;

struct FileSetTemporary;

struct FileSetMember {
    std::string target;     // as the caller named it, for messages
    std::string path;       // the file replaced: target with its links followed
    std::string temporary;  // beside path until the set is placed
    bool existed = false;   // path held a file when the member was written
};

struct FileSet {
    std::string name;  // the set's name (its main file): its folder is locked for the renames
    std::vector<FileSetMember> members;
    std::vector<std::string> madeFolders;  // folders the set made, removed when it fails
    std::vector<FileSetTemporary*> registered;
    bool catching = false;  // the ending signals are caught for the set
    // The first failure: the member's code (the writer's, or kFileFailed for
    // the layer's own), the file it concerns as named, and why in words.
    int result = 0;
    bool writeFailed = false;  // the file system refused (a full disk, a protected file...)
    int systemError = 0;       // its error number, when it gave one (EACCES for a protected file)
    bool cancelled = false;
    std::string failedFile;
    std::string reason;
    bool finished = false;

    FileSet() = default;
    FileSet(const FileSet&) = delete;
    FileSet& operator=(const FileSet&) = delete;
    // An unfinished set is abandoned: its temporaries go.
    ~FileSet();
};

// Starts a set named after its main file.
void StartFileSet(FileSet* set, const std::string& name);

// Writes one member into its temporary: the writer fills the descriptor it
// is handed and closes it (as the plain writers do) or leaves it open. 0, or
// the failure: the writer's nonzero code, or kFileFailed when the layer
// failed (the target is a folder or write-protected, the temporary could not
// be made, flushed or closed). Once the set has failed nothing more is
// written and the set's first failure is answered. `what` names the member in
// the line said on the standard error when it fails ("the thumbnail").
//
// A writer's failure that is no failed write (a render that cannot be made,
// which may say why through whyWriterFailed) fails the whole set, unless the
// member is optional: then only that member is left out (the answer says
// so) and the set goes on. A failed write (one that WriteBytes or the writer
// noted with NoteWriteFailure, or a writer answering writErr) always fails
// the set.
int WriteFileSetMember(FileSet* set, const std::string& target, const char* what,
                       const std::function<int(int fd)>& writer,
                       const std::function<std::string()>& whyWriterFailed = nullptr, bool optional = false);

// Fails the set at once, before anything is rendered or written, when one
// of the targets its members will have cannot be replaced (a folder or a
// write-protected file stands there). True when all can.
bool CheckFileSetTargets(FileSet* set, const std::vector<std::string>& targets);

// Makes folder (its parent must exist, as mkdir without -p) when it is
// missing; one the set made is removed again when the set fails. False, with
// the set failed, when there is no folder there afterwards.
bool MakeFileSetFolder(FileSet* set, const std::string& folder);

// Puts every member in place, or none: 0, or the set's failure (a cancel,
// asked of `cancelled` just before the renames, answers kFileSetCancelled).
int FinishFileSet(FileSet* set, const std::function<bool()>& cancelled = nullptr);

// Removes the temporaries (and the folders the set made) and leaves every
// target as it was.
void AbandonFileSet(FileSet* set);

// A set written as a part of a larger one (the files of one solid among a
// gallery's): a whole part hands its members to `set`, to be placed with
// set's own; a part that failed is abandoned, and fails `set` too when a
// write failed or it was cancelled (a part that could not be made, such as
// a render that failed, leaves set as it was).
void JoinFileSet(FileSet* set, FileSet* part);

// The file a name stands for: symbolic links followed to their target,
// which need not exist yet.
std::string PathWithLinksFollowed(std::string path);

