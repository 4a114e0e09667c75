// The piece walk of piece.h: piece, then its sibling's subtree, then its
// child's, with an explicit stack (sibling chains and trees of any depth).
#pragma once

#include <vector>

template <class F>
void ForEachPiece(Piece* root, F&& visit) {
    std::vector<Piece*> stack;
    if (root) stack.push_back(root);
    while (!stack.empty()) {
        Piece* p = stack.back();
        stack.pop_back();
        visit(p);
        if (p->child) stack.push_back(p->child);
        if (p->sibling) stack.push_back(p->sibling);
    }
}

// Depth first the other way round: a piece, its child's subtree, then its
// sibling's (the order of a unit's piece slots).
template <class F>
void ForEachPieceChildFirst(Piece* root, F&& visit) {
    std::vector<Piece*> stack;
    if (root) stack.push_back(root);
    while (!stack.empty()) {
        Piece* p = stack.back();
        stack.pop_back();
        visit(p);
        if (p->sibling) stack.push_back(p->sibling);
        if (p->child) stack.push_back(p->child);
    }
}
