// Adaptive Huffman model of mode 2 (see HAdaptiveHuffman.h for the tree layout).
#include "transfer/compression/HAdaptiveHuffman.h"

#include <cassert>

HAdaptiveHuffman::HAdaptiveHuffman()
{
    m_leaf.fill(kNoNode);
    // Root of weight 2 over the two symbols every stream can need: escape and end.
    m_nodes[0] = Node {2, kNoNode, 1, false};
    m_nodes[1] = Node {1, 0, kEndOfStream, true};
    m_nodes[2] = Node {1, 0, kEscape, true};
    m_leaf[kEndOfStream] = 1;
    m_leaf[kEscape] = 2;
    m_nextFree = 3;
}

void HAdaptiveHuffman::EmitPath(HBitWriter& bits, int node) const
{
    // Collected leaf-first, sent root-first. A path cannot be longer than the node count.
    std::array<uint8_t, kMaxNodes> path;
    int depth = 0;
    while (node != 0) {
        path[depth++] = (node % 2 == 0) ? 1 : 0;
        node = m_nodes[node].parent;
    }
    while (depth > 0)
        bits.PutBit(path[--depth]);
}

void HAdaptiveHuffman::Encode(HBitWriter& bits, int symbol)
{
    assert(symbol >= 0 && symbol <= kEndOfStream && "only bytes and end of stream are coded");
    if (m_leaf[symbol] == kNoNode) {
        EmitPath(bits, m_leaf[kEscape]);
        bits.PutBits(static_cast<uint32_t>(symbol), 8);
        AddLeaf(symbol);
    } else {
        EmitPath(bits, m_leaf[symbol]);
    }
    Update(symbol);
}

bool HAdaptiveHuffman::Decode(HBitReader& bits, int& symbol)
{
    int node = 0;
    while (!m_nodes[node].leaf) {
        unsigned bit = 0;
        if (!bits.GetBit(bit))
            return false;
        node = m_nodes[node].child + (bit ? 1 : 0);
    }
    symbol = m_nodes[node].child;
    if (symbol == kEscape) {
        uint32_t byte = 0;
        if (!bits.GetBits(8, byte) || m_leaf[byte] != kNoNode)
            return false;
        symbol = static_cast<int>(byte);
        AddLeaf(symbol);
    }
    Update(symbol);
    return true;
}

// The lightest node (always a leaf, the last one) becomes the parent of itself and of a
// new leaf of weight 0; Update then gives the new leaf its first count.
void HAdaptiveHuffman::AddLeaf(int symbol)
{
    assert(m_nextFree + 2 <= kMaxNodes && "each byte gets one leaf at most");
    const int lightest = m_nextFree - 1;
    const int moved = m_nextFree;
    const int added = m_nextFree + 1;
    m_nextFree += 2;

    m_nodes[moved] = m_nodes[lightest];
    m_nodes[moved].parent = lightest;
    m_leaf[m_nodes[moved].child] = moved;

    m_nodes[lightest].leaf = false;
    m_nodes[lightest].child = moved;

    m_nodes[added] = Node {0, lightest, symbol, true};
    m_leaf[symbol] = added;
}

void HAdaptiveHuffman::Update(int symbol)
{
    int node = m_leaf[symbol];
    while (node != kNoNode) {
        // Keep the array ordered by weight: before growing, the node trades places with the
        // first node of its weight class. That node is never an ancestor, since an ancestor
        // outweighs each of its children once all weights are above zero.
        int first = node;
        while (first > 0 && m_nodes[first - 1].weight == m_nodes[node].weight)
            --first;
        if (first != node) {
            SwapNodes(first, node);
            node = first;
        }
        ++m_nodes[node].weight;
        node = m_nodes[node].parent;
    }
    if (m_nodes[0].weight >= kRescaleWeight)
        Rebuild();
}

void HAdaptiveHuffman::LinkChildren(int node)
{
    if (m_nodes[node].leaf) {
        m_leaf[m_nodes[node].child] = node;
        return;
    }
    m_nodes[m_nodes[node].child].parent = node;
    m_nodes[m_nodes[node].child + 1].parent = node;
}

// Exchanges the subtrees at two positions; each position keeps its parent.
void HAdaptiveHuffman::SwapNodes(int a, int b)
{
    const int parentA = m_nodes[a].parent;
    const int parentB = m_nodes[b].parent;
    std::swap(m_nodes[a], m_nodes[b]);
    m_nodes[a].parent = parentA;
    m_nodes[b].parent = parentB;
    LinkChildren(a);
    LinkChildren(b);
}

// Halves every leaf weight (rounding up, so no symbol drops to 0) and builds a fresh tree
// bottom-up: the leaves go to the end of the array, heaviest first, and each pair from the
// end gets a parent inserted in front of the first node that is not heavier than it.
void HAdaptiveHuffman::Rebuild()
{
    const int count = m_nextFree;
    int slot = count - 1;
    for (int i = count - 1; i >= 0; --i) {
        if (!m_nodes[i].leaf)
            continue;
        m_nodes[slot] = m_nodes[i];
        m_nodes[slot].weight = (m_nodes[slot].weight + 1) / 2;
        --slot;
    }
    // Halving keeps the leaves in order of weight, so the tail is already sorted.
    for (int pair = count - 2; slot >= 0; pair -= 2, --slot) {
        const uint32_t weight = m_nodes[pair].weight + m_nodes[pair + 1].weight;
        int place = slot + 1;
        while (place < count && weight < m_nodes[place].weight)
            ++place;
        --place;
        for (int i = slot; i < place; ++i)
            m_nodes[i] = m_nodes[i + 1];
        m_nodes[place] = Node {weight, kNoNode, pair, false};
    }
    m_nodes[0].parent = kNoNode;
    for (int i = 0; i < count; ++i)
        LinkChildren(i);
}
