// The node walk's matrix stack: starts with one identity matrix, nodes push their accumulated world matrix in
// PreRender and pop it in PostRender. It does no multiplication itself; SceneTree::PushNodeMatrix does.
#pragma once

#include "events/Matrix4x4.h"

#include <cstddef>
#include <deque>

class MatrixStack
{
public:
    MatrixStack();

    void Push(const Matrix4x4& matrix);
    // The identity when the stack is empty, so an unbalanced walk draws untransformed instead of reading
    // past the end.
    const Matrix4x4& Top() const;
    // Does nothing on an empty stack.
    void Pop();
    std::size_t Size() const { return m_stack.size(); }

private:
    std::deque<Matrix4x4> m_stack;
};
