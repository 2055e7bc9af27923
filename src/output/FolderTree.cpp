#include "output/FolderTree.h"

#include <algorithm>
#include <cstring>

void CFolderTree::Clear() {
    m_nodes.clear();
    m_top.clear();
}

std::vector<std::uint32_t>& CFolderTree::ChildList(std::uint32_t tag) {
    return tag == kRoot ? m_top : m_nodes.at(tag).children;
}

bool CFolderTree::Exists(std::uint32_t tag) const {
    return tag == kRoot || m_nodes.count(tag) != 0;
}

std::uint32_t CFolderTree::Add(std::uint32_t parent, const QString& text) {
    if (!Exists(parent))
        return 0;
    std::uint32_t tag = m_nNext++;
    while (tag == 0 || tag == kRoot || m_nodes.count(tag))
        tag = m_nNext++;
    Node n;
    n.parent = parent;
    n.text = text;
    m_nodes.emplace(tag, std::move(n));
    ChildList(parent).push_back(tag);
    return tag;
}

void CFolderTree::Erase(std::uint32_t tag) {
    auto it = m_nodes.find(tag);
    if (it == m_nodes.end())
        return;
    const std::vector<std::uint32_t> kids = it->second.children;
    for (std::uint32_t k : kids)
        Erase(k);
    m_nodes.erase(tag);
}

void CFolderTree::RemoveChildren(std::uint32_t tag) {
    if (!Exists(tag))
        return;
    std::vector<std::uint32_t> kids;
    kids.swap(ChildList(tag));
    for (std::uint32_t k : kids)
        Erase(k);
}

QString CFolderTree::Text(std::uint32_t tag) const {
    auto it = m_nodes.find(tag);
    return it == m_nodes.end() ? QString() : it->second.text;
}

std::uint32_t CFolderTree::Parent(std::uint32_t tag) const {
    auto it = m_nodes.find(tag);
    return it == m_nodes.end() ? kRoot : it->second.parent;
}

std::vector<std::uint32_t> CFolderTree::Children(std::uint32_t tag) const {
    if (tag == kRoot)
        return m_top;
    auto it = m_nodes.find(tag);
    return it == m_nodes.end() ? std::vector<std::uint32_t>{} : it->second.children;
}

QString CFolderTree::Path(std::uint32_t tag) const {
    if (!m_nodes.count(tag))
        return QStringLiteral("\\");
    // One backslash after each part: a drive's own ("D:\\") is not doubled.
    auto part = [this](std::uint32_t t) {
        QString text = Text(t);
        if (!text.endsWith(QLatin1Char('\\')))
            text += QLatin1Char('\\');
        return text;
    };
    QString path = part(tag);
    for (std::uint32_t p = Parent(tag); p != kRoot && m_nodes.count(p); p = Parent(p))
        path.prepend(part(p));
    return path;
}

QString CFolderTree::NameError(const QString& name) {
    if (name.isEmpty())
        return QStringLiteral("The file name must not be empty.");
    if (name.contains(QLatin1Char('\\')) || name.contains(QLatin1Char('/')) ||
        name.contains(QLatin1Char(':')))
        return QStringLiteral("The file name must not contain \\, / or :.");
    if (name == QLatin1String(".") || name == QLatin1String(".."))
        return QStringLiteral("The file name must not be . or ..");
    if (name.contains(QChar(0)))
        return QStringLiteral("The file name must not contain a NUL character.");
    // Half a character: any mending (U+FFFD) would name a file nobody listed.
    if (!name.isValidUtf16())
        return QStringLiteral("The name holds a lone UTF-16 surrogate (half a character).");
    return QString();
}

bool CFolderTree::BadName(std::uint32_t tag, QString& badName, QString* why) const {
    for (std::uint32_t t = tag; t != kRoot && m_nodes.count(t); t = Parent(t)) {
        const QString text = Text(t);
        QString name = text;
        if (name.endsWith(QLatin1Char('\\')))
            name.chop(1);
        const bool drive = Parent(t) == kRoot && name.size() == 2 && name[0].isLetter() &&
                           name[0].unicode() < 128 && name[1] == QLatin1Char(':');
        const QString error = drive ? QString() : NameError(name);
        if (!error.isEmpty()) {
            badName = text;
            if (why)
                *why = error;
            return true;
        }
    }
    return false;
}

std::vector<CFolderTree::Insert> CFolderTree::ApplyReply(const std::vector<FolderItemRecord>& reply,
                                                         bool& cleared) {
    cleared = false;
    std::vector<Insert> out;
    if (reply.empty())
        return out;
    if (reply.front().m_hItem == kRoot) {
        Clear();
        cleared = true;
    }
    for (const FolderItemRecord& r : reply) {
        const QString text = FieldText(r.m_szPath, kPathChars);
        if (text.isEmpty())
            continue;
        const std::uint32_t tag = Add(r.m_hItem, text);
        if (tag != 0)
            out.push_back({r.m_hItem, tag, text});
    }
    return out;
}

void CFolderTree::RequestSent(std::uint32_t tag, std::uint32_t ref) {
    m_requests.Sent(tag, ref);
}

bool CFolderTree::TakeAnswer(std::uint32_t ref, const std::vector<FolderItemRecord>& reply,
                             std::vector<Insert>& out, bool& cleared) {
    out.clear();
    cleared = false;
    const std::optional<std::uint32_t> asked = m_requests.Take(ref);
    if (!asked) {
        ++m_nDropped;
        return false;
    }
    const std::uint32_t tag = *asked;
    // Only entries for the node asked for: an answer cannot fill another folder.
    std::vector<FolderItemRecord> own;
    own.reserve(reply.size());
    for (const FolderItemRecord& r : reply)
        if (r.m_hItem == tag)
            own.push_back(r);
    if (tag != kRoot && !Exists(tag))
        return true; // the node is gone meanwhile: nothing to fill
    out = ApplyReply(own, cleared);
    return true;
}

std::uint32_t CFolderTree::TakeRefusal(std::uint32_t ref) {
    return m_requests.Take(ref).value_or(0);
}

bool CFolderTree::MakeRequest(std::uint32_t tag, const QString& path, FolderItemRecord& out) {
    if (std::size_t(path.size()) >= kPathChars)
        return false;
    FolderItemRecord r;
    std::memset(&r, 0, sizeof r);
    r.m_hItem = tag;
    std::memcpy(r.m_szPath, path.utf16(), sizeof(char16_t) * std::size_t(path.size()));
    out = r;
    return true;
}

QString CFolderTree::FieldText(const char16_t* field, std::size_t chars) {
    std::size_t n = 0;
    while (n < chars && field[n] != 0)
        ++n;
    // The code units as they came, so a name goes back exactly as listed: a
    // decoder would take a leading U+FEFF or U+FFFE for a byte-order mark.
    return QString(reinterpret_cast<const QChar*>(field), qsizetype(n));
}
