// The browser's folder tree without a window: every node has a 32-bit tag of its
// own (the tag the link carries), never reused, so a reply for a node that was
// removed meanwhile finds no node and is dropped.
#pragma once
#include <QString>
#include <cstdint>
#include <map>
#include <vector>

#include "device/MxTypes.h"
#include "output/PendingRequests.h"

class CFolderTree {
public:
    static constexpr std::uint32_t kRoot = MX_TVI_ROOT;
    static constexpr std::size_t kPathChars = 260; // terminator included

    struct Insert {
        std::uint32_t parent;
        std::uint32_t tag;
        QString text;
    };

    void Clear();
    // The new node's tag, or 0 when the parent does not exist.
    std::uint32_t Add(std::uint32_t parent, const QString& text);
    bool Exists(std::uint32_t tag) const;
    // Removes every node below tag (tag itself stays).
    void RemoveChildren(std::uint32_t tag);
    QString Text(std::uint32_t tag) const;
    std::uint32_t Parent(std::uint32_t tag) const; // kRoot for a top-level node
    std::vector<std::uint32_t> Children(std::uint32_t tag) const;
    std::size_t Size() const { return m_nodes.size(); }

    // Device path of a node: the texts from the top-level node down, each
    // followed by one backslash (a text that ends in one, as a drive's "D:\"
    // does, gets no second). A tag that is not a node gives a single backslash.
    QString Path(std::uint32_t tag) const;

    // Why a listed name cannot be one part of a device path (empty, "." or
    // "..", holding \, / or :, NUL, or a lone UTF-16 surrogate), or empty when it can.
    static QString NameError(const QString& name);
    // True when a node's path holds a part that cannot be a name (badName gets
    // that part's text, why the reason). A part may end in its own backslash,
    // and a top-level part may be a drive ("D:\").
    bool BadName(std::uint32_t tag, QString& badName, QString* why = nullptr) const;

    // A folder-list reply: when the first entry is tagged kRoot the tree is
    // emptied first (cleared set); each entry becomes the last child of the
    // node its tag names, and entries for a node that does not exist are dropped.
    std::vector<Insert> ApplyReply(const std::vector<FolderItemRecord>& reply, bool& cleared);

    // A folder-list request for node tag went out as command ref (its identity).
    // A newer request for the same node supersedes it: only the newest answer
    // counts, so a folder selected again before its answer gets its children once.
    void RequestSent(std::uint32_t tag, std::uint32_t ref);
    // The answer to command ref: its entries for the node asked for become that
    // node's children (out; cleared as ApplyReply). False when ref names no
    // request waiting (late, superseded, repeated, never asked for): dropped and
    // counted, whatever its age.
    bool TakeAnswer(std::uint32_t ref, const std::vector<FolderItemRecord>& reply, std::vector<Insert>& out,
                    bool& cleared);
    // The answer to ref could not be read: the request ends; its node, if any.
    std::uint32_t TakeRefusal(std::uint32_t ref);
    bool Awaiting(std::uint32_t tag) const { return m_requests.Awaiting(tag); }
    void ForgetRequests() { m_requests.Clear(); }
    std::uint64_t DroppedReplies() const { return m_nDropped; }

    // The request record for a node; false (record untouched) when the path does
    // not fit the record with its terminator.
    static bool MakeRequest(std::uint32_t tag, const QString& path, FolderItemRecord& out);
    // Text of a fixed UTF-16 field, up to its first NUL and never past its end.
    static QString FieldText(const char16_t* field, std::size_t chars);

private:
    struct Node {
        std::uint32_t parent = kRoot;
        QString text;
        std::vector<std::uint32_t> children;
    };
    std::vector<std::uint32_t>& ChildList(std::uint32_t tag);
    void Erase(std::uint32_t tag);

    std::map<std::uint32_t, Node> m_nodes;
    std::vector<std::uint32_t> m_top;
    std::uint32_t m_nNext = 1;
    PendingRequests<std::uint32_t> m_requests; // of nodes
    std::uint64_t m_nDropped = 0;
};
