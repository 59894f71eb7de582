// LZSS coder of mode 1 (see HLzss.h for the token layout).
#include "transfer/compression/HLzss.h"

#include "transfer/compression/HBitStream.h"

#include <algorithm>
#include <array>
#include <limits>
#include <memory>

namespace {

constexpr unsigned kPositionBits = 12;
constexpr unsigned kLengthBits = 4;
constexpr unsigned kWindowSize = 1u << kPositionBits;
constexpr unsigned kWindowMask = kWindowSize - 1;
// A copy costs 17 bits and two literals 18, so copies pay from 2 bytes on; 4 length bits
// then reach 2 + 15 = 17 bytes of look-ahead.
constexpr unsigned kMinMatch = 2;
constexpr unsigned kLookAhead = (1u << kLengthBits) - 1 + kMinMatch;
constexpr unsigned kEndPosition = 0;
constexpr unsigned kFirstPosition = 1;
constexpr std::size_t kHeaderSize = 4;

unsigned Wrap(unsigned position) { return position & kWindowMask; }

bool Fail(std::vector<uint8_t>& output)
{
    output.clear();
    return false;
}

// Binary search tree over the window positions, keyed by the kLookAhead bytes that start at
// each position. Every string the coder has passed is in it, except the one about to be
// overwritten, so a walk from the root finds the longest match on the way down.
class MatchTree {
public:
    MatchTree()
    {
        m_parent.fill(kNotInTree);
        m_smaller.fill(kNone);
        m_larger.fill(kNone);
    }

    struct Match {
        unsigned position = 0;
        unsigned length = 0;
    };

    // Adds the string at `position` and returns the longest match for it among the strings
    // already present. Position 0 is searched for but never added (it marks the end of the
    // stream, so no copy may name it).
    Match Insert(const std::array<uint8_t, kWindowSize>& window, unsigned position)
    {
        const bool add = position != kEndPosition;
        Match best;
        if (m_root == kNone) {
            if (add)
                Attach(kRootLink, m_root, position);
            return best;
        }
        int node = m_root;
        for (;;) {
            unsigned same = 0;
            int delta = 0;
            for (; same < kLookAhead; ++same) {
                delta = int(window[Wrap(position + same)]) - int(window[Wrap(unsigned(node) + same)]);
                if (delta != 0)
                    break;
            }
            if (same > best.length) {
                best.length = same;
                best.position = unsigned(node);
            }
            if (same >= kLookAhead) {
                // An identical string: the newer one replaces it, it stays in the window longer.
                if (add)
                    Replace(node, int(position));
                return best;
            }
            int& child = delta < 0 ? m_smaller[node] : m_larger[node];
            if (child == kNone) {
                if (add)
                    Attach(node, child, position);
                return best;
            }
            node = child;
        }
    }

    void Remove(unsigned position)
    {
        const int node = int(position);
        if (m_parent[node] == kNotInTree)
            return;
        int replacement;
        if (m_larger[node] == kNone) {
            replacement = m_smaller[node];
        } else if (m_smaller[node] == kNone) {
            replacement = m_larger[node];
        } else {
            // Two children: the largest string below the smaller side takes the node's place.
            replacement = m_smaller[node];
            while (m_larger[replacement] != kNone)
                replacement = m_larger[replacement];
            if (replacement != m_smaller[node]) {
                Relink(m_parent[replacement], replacement, m_smaller[replacement]);
                m_smaller[replacement] = m_smaller[node];
                m_parent[m_smaller[replacement]] = replacement;
            }
            m_larger[replacement] = m_larger[node];
            m_parent[m_larger[replacement]] = replacement;
        }
        Relink(m_parent[node], node, replacement);
        m_parent[node] = kNotInTree;
        m_smaller[node] = kNone;
        m_larger[node] = kNone;
    }

private:
    static constexpr int kNone = -1;        // empty child link
    static constexpr int kNotInTree = -2;   // parent of a position that is not in the tree
    static constexpr int kRootLink = -3;    // parent of the root

    void Attach(int parent, int& link, unsigned position)
    {
        const int node = int(position);
        link = node;
        m_parent[node] = parent;
        m_smaller[node] = kNone;
        m_larger[node] = kNone;
    }

    // Points the link that `parent` has to `oldChild` at `newChild` instead.
    void Relink(int parent, int oldChild, int newChild)
    {
        if (parent == kRootLink)
            m_root = newChild;
        else if (m_smaller[parent] == oldChild)
            m_smaller[parent] = newChild;
        else
            m_larger[parent] = newChild;
        if (newChild != kNone)
            m_parent[newChild] = parent;
    }

    void Replace(int oldNode, int newNode)
    {
        m_smaller[newNode] = m_smaller[oldNode];
        m_larger[newNode] = m_larger[oldNode];
        if (m_smaller[newNode] != kNone)
            m_parent[m_smaller[newNode]] = newNode;
        if (m_larger[newNode] != kNone)
            m_parent[m_larger[newNode]] = newNode;
        Relink(m_parent[oldNode], oldNode, newNode);
        m_parent[oldNode] = kNotInTree;
        m_smaller[oldNode] = kNone;
        m_larger[oldNode] = kNone;
    }

    std::array<int, kWindowSize> m_parent;
    std::array<int, kWindowSize> m_smaller;
    std::array<int, kWindowSize> m_larger;
    int m_root = kNone;
};

} // namespace

bool HLzss::Compress(std::span<const uint8_t> input, std::vector<uint8_t>& output)
{
    output.clear();
    if (input.size() > std::numeric_limits<uint32_t>::max())
        return false;
    HPutLittleEndian32(output, static_cast<uint32_t>(input.size()));
    HBitWriter bits(output);

    // Both are 12 KiB or more: keep them off the stack of a UI-thread caller.
    auto window = std::make_unique<std::array<uint8_t, kWindowSize>>();
    window->fill(0);
    auto tree = std::make_unique<MatchTree>();

    std::size_t next = 0;
    unsigned current = kFirstPosition;
    unsigned lookAhead = 0;
    for (; lookAhead < kLookAhead && next < input.size(); ++lookAhead)
        (*window)[Wrap(current + lookAhead)] = input[next++];

    MatchTree::Match match = tree->Insert(*window, current);
    while (lookAhead > 0) {
        // Near the end the tree may have compared bytes past the data; never copy those.
        if (match.length > lookAhead)
            match.length = lookAhead;
        unsigned advance;
        if (match.length < kMinMatch) {
            bits.PutBit(1);
            bits.PutBits((*window)[current], 8);
            advance = 1;
        } else {
            bits.PutBit(0);
            bits.PutBits(match.position, kPositionBits);
            bits.PutBits(match.length - kMinMatch, kLengthBits);
            advance = match.length;
        }
        for (unsigned i = 0; i < advance; ++i) {
            // The slot that receives the next input byte holds the oldest string: drop it first.
            const unsigned incoming = Wrap(current + kLookAhead);
            tree->Remove(incoming);
            if (next < input.size())
                (*window)[incoming] = input[next++];
            else
                --lookAhead;
            current = Wrap(current + 1);
            if (lookAhead > 0)
                match = tree->Insert(*window, current);
        }
    }
    bits.PutBit(0);
    bits.PutBits(kEndPosition, kPositionBits);
    bits.Flush();
    return true;
}

bool HLzss::Decompress(std::span<const uint8_t> input, std::size_t maximum, std::vector<uint8_t>& output)
{
    output.clear();
    if (input.size() < kHeaderSize)
        return false;
    const uint32_t length = HGetLittleEndian32(input, 0);
    if (length > maximum)
        return false;
    // Each token of at least 9 bits yields at most 17 bytes, so the input bounds a sane
    // reservation; a stream that lies about its length cannot make us allocate much.
    const std::size_t plausible = (input.size() - kHeaderSize) * 8 / 9 * kLookAhead + kLookAhead;
    output.reserve(std::min<std::size_t>(length, plausible));

    std::array<uint8_t, kWindowSize> window {};
    unsigned current = kFirstPosition;
    HBitReader bits(input.subspan(kHeaderSize));
    for (;;) {
        unsigned flag = 0;
        if (!bits.GetBit(flag))
            return Fail(output);
        if (flag) {
            uint32_t byte = 0;
            if (!bits.GetBits(8, byte) || output.size() >= length)
                return Fail(output);
            output.push_back(static_cast<uint8_t>(byte));
            window[current] = static_cast<uint8_t>(byte);
            current = Wrap(current + 1);
            continue;
        }
        uint32_t position = 0;
        if (!bits.GetBits(kPositionBits, position))
            return Fail(output);
        if (position == kEndPosition)
            break;
        uint32_t lengthCode = 0;
        if (!bits.GetBits(kLengthBits, lengthCode))
            return Fail(output);
        const unsigned count = lengthCode + kMinMatch;
        if (length - output.size() < count)
            return Fail(output);
        // Byte by byte: a copy may overlap the bytes it is producing.
        for (unsigned i = 0; i < count; ++i) {
            const uint8_t byte = window[Wrap(position + i)];
            output.push_back(byte);
            window[current] = byte;
            current = Wrap(current + 1);
        }
    }
    if (output.size() != length)
        return Fail(output);
    return true;
}
