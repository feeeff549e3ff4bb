// Task life cycle and its layout (see KanteloTask.h).
#include "render/KanteloTask.h"
#include "render/RasterStages.h"
#include "foundation/GuardedRunner.h"
#include "decoration/Setting.h"
#include "outline/FontSetting.h"
#include "imaging/PixelOps.h"
#include "resources/strings_engine.h"

CKanteloTask::CKanteloTask() = default;

CKanteloTask::~CKanteloTask() = default;

void CKanteloTask::Init(CKanteloTaskClient* client)
{
    Err = CSimpleErr();
    No = -1;
    Size.cx = Size.cy = 0;
    Path.clear();
    m_client = client;
    m_lineHeadBearing = kUnknownBearing;
}

void CKanteloTask::Execute()
{
    // Whatever leaves Run becomes the task's error: a worker thread must never
    // end without telling its client, or the job would wait for ever.
    // The guarded runner's conversion, so a task reports what a command would.
    my::CCtrlException result(nullptr, 0);
    CatchToError(result, [this] { Run(); });
    if (result.id != 0)
        Err = result;
    m_fonts.Release();
    if (m_client)
        m_client->OnTaskFinished(shared_from_this());
}

void CKanteloTask::BuildLayers() { SetLayoutLayers(CollectLayers(*m_setting)); }

void CKanteloTask::SetLayoutLayers(const std::vector<CBorderingSetting>& layers)
{
    SetLayers(m_layout, layers, m_setting->FontSetting.IsVertical());
}

void CKanteloTask::LayOut()
{
    m_fonts.Create(m_setting->FontSetting);
    LayOutText(m_layout, m_fonts, m_setting->FontSetting, Text, Size, m_lineHeadBearing);
    m_lineHeadBearing = m_layout.LineHeadBearing;
}

void CKanteloTask::Run()
{
    if (Text.empty())
        throw my::CException(IDS_TEXT_EMPTY);
    BuildLayers();
    LayOut();
    RunRasterStages(*this);
}

HRESULT CKanteloTask::ReduceResultToPalette(boost::shared_ptr<CDib>& image) { return ReduceToPalette(image); }
