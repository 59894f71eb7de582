// Adaptive Huffman model shared by both directions of mode 2.
//
// 258 symbols: the bytes 0..255, end of stream (256) and escape (257). The tree starts
// with only end of stream and escape; a byte's first appearance is sent as the escape
// code followed by the byte's 8 bits, after which the byte has a leaf of its own. Both
// sides update the tree identically after every symbol, so no table is ever sent.
//
// Nodes live in one array ordered by weight, heaviest (the root, index 0) first. The two
// children of a node always occupy an odd index and the even index after it; a code is the
// path from the root, 1 for an even node and 0 for an odd one.
#pragma once

#include "transfer/compression/HBitStream.h"

#include <array>
#include <cstdint>

class HAdaptiveHuffman {
public:
    static constexpr int kEndOfStream = 256;
    static constexpr int kEscape = 257;
    static constexpr int kSymbolCount = 258;
    // Weights are halved once the root reaches this, which keeps them in 16 bits and lets
    // the model follow data whose statistics drift.
    static constexpr uint32_t kRescaleWeight = 0x8000;

    HAdaptiveHuffman();

    // Writes `symbol` (a byte or kEndOfStream) and updates the model.
    void Encode(HBitWriter& bits, int symbol);
    // Reads one symbol; false when the bits run out or the stream escapes a byte that
    // already has a code (which a sound encoder never does).
    bool Decode(HBitReader& bits, int& symbol);

    uint32_t RootWeight() const { return m_nodes[0].weight; }

private:
    static constexpr int kMaxNodes = 2 * kSymbolCount - 1;
    static constexpr int kNoNode = -1;

    struct Node {
        uint32_t weight = 0;
        int parent = kNoNode;
        int child = 0;   // internal: index of the odd child; leaf: its symbol
        bool leaf = false;
    };

    void EmitPath(HBitWriter& bits, int node) const;
    void AddLeaf(int symbol);
    void Update(int symbol);
    void SwapNodes(int a, int b);
    void Rebuild();
    void LinkChildren(int node);

    std::array<Node, kMaxNodes> m_nodes;
    std::array<int, kSymbolCount> m_leaf;
    int m_nextFree = 0;
};
