#pragma once

class QString;

// Where date.dat lives. The executable's folder, with exactly one separator
// between folder and file name (also for the root folder "/"), unless that
// folder cannot be written and holds no date.dat that can: then the per-user
// data folder. An empty appDataFolder (none could be determined) keeps the
// executable's folder, where the save will fail and say so.
// Folders may be given with native separators; the result uses "/".
QString dataPathFor(const QString& exeFolder, bool exeFolderWritable, bool writableFileThere,
                    const QString& appDataFolder);

// The folder that holds the running executable, found from the path the
// system gives for it, whatever the encoding of its name. A name that text
// cannot carry is given as /proc/self/fd/N, a descriptor of that folder.
QString programFolder();

// The per-user data folder: $XDG_DATA_HOME/<program>, else
// $HOME/.local/share/<program>. Variables that are unset, empty or relative
// count as unset; empty when neither gives an absolute path.
QString userDataFolder();

// dataPathFor with its inputs taken from the file system and
// userDataFolder(); creates that folder when it is the one chosen. When
// scores can be kept neither beside the executable nor in a per-user
// folder, the executable's folder is kept. A date.dat beside the executable
// that cannot be written gives seed, the file to read the table from while
// the per-user one does not exist yet. notice, when given, is set to the
// sentence that tells the player of either.
QString dataPath(const QString& exeFolder, QString* notice = nullptr, QString* seed = nullptr);
