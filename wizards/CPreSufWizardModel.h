// CPreSufWizardModel: "Prefix Suffix Wizard" and the "Prefix/Suffix Data" dialog without
// widgets.
//
// The wizard makes one new record: symbology (a page the auxiliary port leaves out, keeping
// "All Symbologies"), prefix or suffix, and the data. The data field takes picked control
// characters and the code-ID marker; the same field is the whole "Prefix/Suffix Data" dialog.
#pragma once

#include "device/blocks/CPreSufEntry.h"
#include "wizards/ControlCharPicker.h"
#include "wizards/WizardText.h"

#include <string>
#include <vector>

// The data text of a prefix or suffix with the delimiters that mark control-character names.
struct PreSufDataField {
    std::string text;
    std::string left { "[" };
    std::string right { "]" };

    // "Control Characters": the picker's text is appended and its delimiters taken over.
    void AppendPicked(const PickedText& picked);
    // "Insert Code ID".
    void InsertCodeId(std::string_view marker) { text += marker; }
};

class CPreSufWizardModel {
public:
    enum class Page { Symbology, Selection, Data };
    static constexpr std::string_view kTitle = "Prefix Suffix Wizard";

    CPreSufWizardModel(std::vector<std::string> freeSymbologies, bool auxiliary, std::string codeIdMarker);

    const std::vector<Page>& Pages() const { return m_pages; }
    WizardButtons ButtonsFor(int page) const { return WizardButtonsFor(page, static_cast<int>(m_pages.size())); }
    static std::string_view PageTitle(Page page);
    static std::string_view PageInstruction(Page page);

    // ---- symbology page ----------------------------------------------------------------------
    const std::vector<std::string>& SymbologyChoices() const { return m_choices; }
    const std::string& Symbology() const { return m_symbology; }
    // Read from the drop-down list when the page is left.
    void SetSymbology(std::string name) { m_symbology = std::move(name); }

    // ---- selection page ----------------------------------------------------------------------
    bool IsPrefix() const { return m_prefix; }
    void SetPrefix(bool prefix) { m_prefix = prefix; }

    // ---- data page ---------------------------------------------------------------------------
    PreSufDataField& Data() { return m_data; }
    const PreSufDataField& Data() const { return m_data; }
    const std::string& CodeIdMarker() const { return m_codeIdMarker; }

    // The new record as Finish makes it.
    CPreSufEntry Finish() const;
    // Cancel clears the chosen symbology.
    void Cancel() { m_symbology.clear(); }

private:
    std::vector<Page> m_pages;
    std::vector<std::string> m_choices;
    std::string m_symbology;
    bool m_prefix = true;
    PreSufDataField m_data;
    std::string m_codeIdMarker;
};
