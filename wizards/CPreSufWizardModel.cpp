#include "wizards/CPreSufWizardModel.h"

#include "device/blocks/CCodeTable.h"

void PreSufDataField::AppendPicked(const PickedText& picked)
{
    text += picked.text;
    left = picked.left;
    right = picked.right;
}

CPreSufWizardModel::CPreSufWizardModel(
    std::vector<std::string> freeSymbologies, bool auxiliary, std::string codeIdMarker)
    : m_choices(std::move(freeSymbologies))
    , m_symbology(kAllSymbologies)
    , m_codeIdMarker(std::move(codeIdMarker))
{
    if (!auxiliary) m_pages.push_back(Page::Symbology);
    m_pages.push_back(Page::Selection);
    m_pages.push_back(Page::Data);
}

std::string_view CPreSufWizardModel::PageTitle(Page page)
{
    switch (page) {
    case Page::Symbology: return "Symbology Selection";
    case Page::Selection: return "Prefix Suffix Selection";
    case Page::Data: return "Set Prefix Suffix Data";
    }
    return {};
}

std::string_view CPreSufWizardModel::PageInstruction(Page page)
{
    switch (page) {
    case Page::Symbology:
        return "Choose a symbology from the following pull-down list.  The prefix or suffix will be applied to "
               "the symbology you select.";
    case Page::Selection: return "Select if you want to set the Prefix or Suffix";
    case Page::Data: return "Enter the prefix or suffix to add to this symbology";
    }
    return {};
}

CPreSufEntry CPreSufWizardModel::Finish() const
{
    CPreSufEntry entry(m_prefix ? CPreSufEntry::kPrefix : CPreSufEntry::kSuffix, m_symbology);
    entry.SetData(m_data.text, m_data.left, m_data.right);
    return entry;
}
