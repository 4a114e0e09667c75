// Depth-first walks of a piece tree with an explicit stack (sibling chains
// and trees of any depth): a piece, then its sibling's subtree, then its
// child's (the order of the scene and the renderer), or with childFirst a
// piece, its child's subtree, then its sibling's (the order of a unit's
// piece slots).
#pragma once

#include <vector>

// With a stack the caller keeps, so that a walk every frame allocates nothing.
template <class F>
void ForEachPieceWith(std::vector<Piece*>& stack, Piece* root, F&& visit, bool childFirst = false) {
    stack.clear();
    if (root) stack.push_back(root);
    while (!stack.empty()) {
        Piece* p = stack.back();
        stack.pop_back();
        visit(p);
        // The one pushed last is walked first.
        Piece* later = childFirst ? p->sibling : p->child;
        Piece* first = childFirst ? p->child : p->sibling;
        if (later) stack.push_back(later);
        if (first) stack.push_back(first);
    }
}

template <class F>
void ForEachPiece(Piece* root, F&& visit, bool childFirst = false) {
    std::vector<Piece*> stack;
    ForEachPieceWith(stack, root, visit, childFirst);
}

template <class F>
void ForEachPieceChildFirst(Piece* root, F&& visit) {
    ForEachPiece(root, visit, true);
}
