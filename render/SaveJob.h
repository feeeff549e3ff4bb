// A save job without a window: the text cut into units, one task per unit
// with the file names and renderers the job control would give them, and the
// one-file document begun before the first task and ended after the last.
// Tasks run one after another on the calling thread.
#pragma once
#include "decoration/Setting.h"
#include "imaging/Dib.h"
#include "render/KanteloTask.h"
#include <boost/shared_ptr.hpp>
#include <string>
#include <vector>

// Writes the job's files into `folder` (made when missing) and lists them in
// the order written. False with the error text when anything failed. With
// `firstImage`, the picture the first unit's task made (the preview a window
// would show) is handed back there. Each unit's task, with its picture, is
// let go once the unit is done; `client` (may be null) is told of each task
// as it finishes.
bool RunSaveJob(const CSetting& setting, const std::wstring& text, const std::wstring& folder,
                std::vector<std::wstring>& files, std::wstring& error,
                boost::shared_ptr<CDib>* firstImage = nullptr, CKanteloTaskClient* client = nullptr);
