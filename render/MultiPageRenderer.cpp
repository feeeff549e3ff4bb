#include "render/MultiPageRenderer.h"
#include "foundation/Error.h"

CVectorRenderer& CMultiPageRenderer::Inner()
{
    if (!m_inner)
        ThrowInternalError(L"CMultiPageRenderer: no document renderer");
    return *m_inner;
}
