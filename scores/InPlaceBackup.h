#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

// What a file shared through a folder the player cannot write to held
// before a rewrite in place, and what that rewrite writes, kept in a folder
// the player can write to (the per-user data folder) while it runs. A kill
// or a power cut can cut such a rewrite short, and no file system makes it
// atomic; with both kept, a file found cut short is told apart from one
// another writer saved since, and what it held before is known.
class InPlaceBackup {
public:
    // For the file at path, in folder; the two kept files are named after
    // path's absolute name. An empty folder keeps nothing.
    InPlaceBackup(const QString& path, const QString& folder);

    QString previousPath() const { return previous_; }
    QString nextPath() const { return next_; }
    bool isKept() const;

    // Keeps both, each flushed with its folder, the previous last: its
    // presence says a rewrite may not have ended. False when they could not
    // both be kept.
    bool keep(QByteArrayView previous, QByteArrayView next) const;
    // Once the rewrite is flushed; the previous first.
    void remove() const;

    // Whether bytes, the file as it is now, is a rewrite from the kept
    // previous bytes to the kept next ones cut short: no shorter than the
    // shorter of them and no longer than the longer (the room reserved for
    // it), every byte from one of them or a zero of that room, and neither
    // of them whole.
    bool cutShort(QByteArrayView bytes) const;

private:
    QString previous_;
    QString next_;
};
