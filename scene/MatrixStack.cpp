// MatrixStack: a deque used as a stack of world matrices.
// No scene knowledge: the tree decides what is pushed.
#include "scene/MatrixStack.h"

MatrixStack::MatrixStack() : m_stack{Matrix4x4::Identity()}
{
}

void MatrixStack::Push(const Matrix4x4& matrix)
{
    m_stack.push_back(matrix);
}

const Matrix4x4& MatrixStack::Top() const
{
    static const Matrix4x4 kIdentity;
    return m_stack.empty() ? kIdentity : m_stack.back();
}

void MatrixStack::Pop()
{
    if (!m_stack.empty())
    {
        m_stack.pop_back();
    }
}
