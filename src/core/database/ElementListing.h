#pragma once
// What the element list shows for each section of the database: the node key (the MAC
// text), the node text (name, " [", MAC text, "]") and whether the element is an encoder.
//
// Every section with a 12-character name is listed, hexadecimal or not (the positions of
// cmbEncoders, which the "bound" key refers to, count them all).  Left out of the lists
// (they stay in the list of section names) are names of another length, which have no
// MAC address, and a section whose name repeats an earlier one in another letter case,
// which can never be read since every reader finds the first: they would give nodes
// without a usable key or two nodes with the same key.

#include "IniSnapshot.h"

#include <QSet>
#include <QString>

#include <optional>

class ElementListing {
public:
    struct Entry {
        QString key;  // 00:11:22:33:44:AA
        QString text; // STUDIO 1 [00:11:22:33:44:AA]
        bool encoder = false;
    };

    explicit ElementListing(const IniSnapshot& snapshot) : snapshot_(snapshot) {}

    // The entry of the next section in file order, or nullopt when it is left out.
    std::optional<Entry> entryFor(const QString& sectionName);

    // The colon form of a 12-character section name, upper case; empty otherwise.
    // Gives what Decode_MAC gives for such names, without its pauses.
    static QString macText(const QString& sectionName);

private:
    const IniSnapshot& snapshot_;
    QSet<QString> seen_;
};
