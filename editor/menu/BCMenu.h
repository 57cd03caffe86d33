#pragma once
#include "editor/menu/MenuImages.h"
#include "editor/menu/SysMenu.h"
#include "platform/GdiCanvas.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

using platform::Rect;

// One item of a BCMenu; its address is the owner-drawn item data.
struct BCMenuEntry {
    std::wstring text;         // accelerator text after a tab
    int imageIndex = -1;       // in `images`
    int sharedImage = -1;      // in the shared image list
    int imageOffset = -1;      // 0 with an image list of its own
    uint32_t flags = 0;
    uintptr_t id = 0;          // command id, or the popup's handle
    int syncMark = 0;
    std::unique_ptr<MenuImageList> images;
};

// Owner-draw item states.
enum : unsigned {
    ODS_SELECTED = 0x1,
    ODS_GRAYED = 0x2,
    ODS_DISABLED = 0x4,
    ODS_CHECKED = 0x8,
};

struct MEASUREITEMSTRUCT {
    uintptr_t itemData = 0;
    unsigned itemWidth = 0;
    unsigned itemHeight = 0;
};

struct DRAWITEMSTRUCT {
    unsigned itemID = 0;
    unsigned itemState = 0;
    HMENU hwndItem = 0;     // the menu holding the item
    platform::GdiCanvas* dc = nullptr;
    Rect rcItem;
    uintptr_t itemData = 0;
    bool paletteDevice = false;
};

// Measures texts in the menu font and gives the menu line height; the desktop's
// by default, tests give their own.
class MenuMetrics {
public:
    virtual ~MenuMetrics() = default;
    virtual int TextWidth(const std::wstring& text) const;
    virtual int MenuHeight() const;  // the system's menu line height
};

// Reads resources the image operations name: "BITMAP" and "TOOLBAR" by id.
using MenuResourceLoader = std::function<bool(const char* type, unsigned id, std::vector<uint8_t>& bytes)>;

// Toolbar resource: button size and the command of each button (0: separator).
struct ToolbarResource {
    int width = 0;
    int height = 0;
    std::vector<unsigned> commands;
    // Image index of a command's button (buttons count without separators); -1 when absent.
    int ImageOf(unsigned command) const;
};

// A menu whose popup items the program draws itself.
class BCMenu {
public:
    BCMenu();
    virtual ~BCMenu();
    BCMenu(const BCMenu&) = delete;
    BCMenu& operator=(const BCMenu&) = delete;

    HMENU GetSafeHmenu() const { return m_hMenu; }
    // A new empty menu bar or popup for this object (the old one destroyed).
    bool CreateMenu();
    bool CreatePopupMenu();
    // The BCMenu that owns a handle, or null.
    static BCMenu* FromHandlePermanent(HMENU menu);

    // --- loading, measuring, drawing, destroying
    virtual bool LoadMenu(unsigned id);
    virtual bool LoadMenuByName(unsigned id);
    // Builds the menu from a standard menu template.
    bool LoadMenuTemplate(const uint8_t* data, size_t size);
    virtual void MeasureItem(MEASUREITEMSTRUCT& mis);
    virtual void DrawItem(DRAWITEMSTRUCT& dis);
    virtual bool DestroyMenu();
    void DrawItemClassic(DRAWITEMSTRUCT& dis);
    void DrawItemXP(DRAWITEMSTRUCT& dis);
    static void AlignAccelerators(BCMenu& menu);

    // --- appending and inserting
    bool AddOwnerDrawItem(const std::wstring& text, uint32_t flags, uintptr_t id, int image = -1);
    bool AddOwnerDrawItem(const char* text, uint32_t flags, uintptr_t id, int image = -1);
    bool AddOwnerDrawItemFromList(const std::wstring& text, uint32_t flags, uintptr_t id,
                                  const MenuImageList* list, int index);
    bool AddOwnerDrawItemBitmap(const std::wstring& text, uint32_t flags, uintptr_t id, const MenuBitmap& bitmap);
    BCMenu* AddPopup(const std::wstring& text);
    BCMenu* AddPopup(const char* text);
    bool InsertOwnerDrawItem(unsigned position, const std::wstring& text, uint32_t flags, uintptr_t id, int image = -1);
    bool InsertOwnerDrawItem(unsigned position, const char* text, uint32_t flags, uintptr_t id, int image = -1);
    bool InsertOwnerDrawItemFromList(unsigned position, const std::wstring& text, uint32_t flags, uintptr_t id,
                                     const MenuImageList* list, int index);
    bool InsertOwnerDrawItemBitmap(unsigned position, const std::wstring& text, uint32_t flags, uintptr_t id,
                                   const MenuBitmap& bitmap);

    // --- changing (a null text keeps the text)
    bool ChangeOwnerDrawItem(const std::wstring* text, unsigned id, int image = -1);
    bool ChangeOwnerDrawItem(const char* text, unsigned id, int image = -1);
    bool ChangeOwnerDrawItemFromList(const std::wstring* text, unsigned id, const MenuImageList* list, int index);
    bool ChangeOwnerDrawItemBitmap(const std::wstring& text, unsigned id, const MenuBitmap& bitmap);
    bool ChangeOwnerDrawItemByText(const std::wstring& newText, const std::wstring& oldText, int bitmapId);
    bool ChangeOwnerDrawItemSwatch(const std::wstring& text, unsigned id, COLORREF fill, COLORREF border,
                                   int hatch = -1, int size = -1);
    bool SetItemText(unsigned position, const std::wstring& text, uint32_t flags = MF_BYPOSITION);
    bool SetItemText(unsigned position, const char* text, uint32_t flags = MF_BYPOSITION);
    bool GetItemText(unsigned position, std::string& text, uint32_t flags = MF_BYPOSITION);
    bool GetItemText(unsigned position, std::wstring& text, uint32_t flags = MF_BYPOSITION);

    // --- removing
    bool RemoveItem(unsigned position, uint32_t flags);
    bool DeleteItem(unsigned position, uint32_t flags);
    // Mode 1 or 2: also the item just before; mode 3: the two items before.
    bool RemoveItemByText(const std::wstring& text, int mode = 0);
    bool DeleteItemByText(const std::wstring& text, int mode = 0);

    // --- lookups
    BCMenu* FindMenuOption(unsigned id, int& position);
    BCMenu* FindAnotherMenuOption(unsigned id, int& position, std::vector<BCMenu*>& menus,
                                  std::vector<int>& positions);
    BCMenuEntry* FindEntryById(unsigned id);
    BCMenuEntry* FindEntryByText(const std::wstring& text);
    int FindTextPosition(const std::wstring& text) const;
    BCMenu* FindPopupByText(const std::wstring& text);
    BCMenu* FindPopupByName(const std::wstring& name);
    BCMenu* GetPopup(int position);
    static bool IsBCMenuPopup(const BCMenu* menu);
    static bool IsBCMenuPopupHandle(HMENU menu);
    int GetMenuItemCount() const { return sysmenu::GetMenuItemCount(m_hMenu); }
    const std::vector<std::unique_ptr<BCMenuEntry>>& Entries() const { return m_entries; }

    // --- mnemonics and keeping records in step with the menu
    // MAKELRESULT(index, MNC_EXECUTE) of the item with "&c", or 0.
    long FindMnemonic(wchar_t ch, uint32_t flags, HMENU menu);
    void Resync();
    int FirstPopupPosition();
    void RefreshTopLevel();

    // --- images
    static int AddSharedImage(const MenuImageList& list, int index, unsigned id);
    static int FindSharedImage(unsigned id);
    static bool HasEffectCopies(int index);
    bool AddBitmapImages(MenuImageList& list, int image);
    bool LoadSysColorBitmap(int bitmapId, MenuBitmap& out);
    static int DibColorCount(int colorTable, int bitCount);
    bool SetCheckImages(int normalId, int selectedId);
    bool LoadToolbarImages(unsigned toolbarId);
    bool LoadToolbarsImages(const std::vector<unsigned>& toolbarIds);
    bool FindToolbarImage(unsigned id, unsigned toolbarId, int& index);
    bool TakeToolbarImages(const ToolbarResource& toolbar, int bitmapId);
    static void LightenImage(MenuBitmap& bitmap);
    static void ShadowImage(MenuBitmap& bitmap);
    static void DisabledImage(MenuBitmap& bitmap, COLORREF background);
    static void ReplaceMaskColor(MenuBitmap& bitmap);
    static MenuBitmap ImageToBitmap(const MenuImageList& list, int index);
    static void CopyImageWithEffects(const MenuImageList& source, int index, MenuImageList& target);
    static MenuBitmap MakeSwatchBitmap(int rectCx, int rectCy, int imageCx, int imageCy, COLORREF fill,
                                       COLORREF border, int hatch);
    static void DrawDisabledDib(platform::GdiCanvas& dc, int x, int y, const MenuBitmap& image, COLORREF colour);
    static void DrawDisabledEmbossed(platform::GdiCanvas& dc, int x, int y, MenuBitmap image, COLORREF colour);
    static void DrawGreyedImage(platform::GdiCanvas& dc, int x, int y, MenuBitmap image, COLORREF colour);
    static void DrawCheckMark(platform::GdiCanvas& dc, int x, int y, COLORREF colour, bool shortMark);
    static void DrawRadioDot(platform::GdiCanvas& dc, int left, int top, COLORREF colour);
    void DrawClassicCheck(platform::GdiCanvas& dc, const Rect& r, bool selected, bool radio);
    void DrawXPCheck(platform::GdiCanvas& dc, const Rect& r, bool radio, COLORREF colour, bool selected);

    // --- settings
    static COLORREF Lighten(COLORREF colour, double f);
    static COLORREF Darken(COLORREF colour, double f);
    static void SetDrawStyle(int style);
    static int GetDrawStyle();
    static bool IsXPStyleActive();
    static bool IsXPThemeActive();
    static bool IsClassicTheme();
    static bool GetSelectDisabled();
    static bool Has3DCheckEdges();
    static void SetImageSize(int width, int height);
    // Version code from the system version (win9x: the high bit of the version word).
    static int DetectWindowsVersion(bool win9x, int major, int minor);
    void SetBitmapBackground(COLORREF colour);
    void ClearBitmapBackground() { m_bUseBitmapBack = false; }
    void SetDibDisabled() { m_bDibDisabled = true; }
    void ClearDibDisabled() { m_bDibDisabled = false; }
    bool GetDibDisabled() const { return m_bDibDisabled; }
    void SetIconImages(bool on) { m_bIconImages = on; }

    // The process-wide text measurer (null: the desktop's) and resource reader
    // (null: the program's resources).
    static void SetMetrics(const MenuMetrics* metrics);
    static void SetResourceLoader(MenuResourceLoader loader);
    // The theme file name the XP theme test reads (only asked on version code 7).
    static void SetThemeName(const std::wstring& name);
    static void ResetSharedImages();

    // Process-wide settings.
    static int s_nDrawStyle;
    static int s_nDrawStyleThemed;
    static bool s_bSelectDisabled;
    static bool s_bSelectDisabledXP;
    static bool s_bXPImageEffects;
    static int s_nImageWidth;
    static int s_nImageHeight;
    static int s_nWinVersion;
    static std::unique_ptr<MenuImageList> s_sharedImages;
    static std::vector<unsigned> s_sharedImageIds;
    static std::vector<HMENU> s_popupHandles;
    static bool s_bPlainBitmapImages;

protected:
    bool AttachNew(bool popup);
    void ForgetPopup(HMENU popup);
    bool RemoveOrDelete(unsigned position, uint32_t flags, bool destroy);
    bool RemoveOrDeleteByText(const std::wstring& text, int mode, bool destroy);
    void TakeImage(BCMenuEntry& entry, unsigned id, int image);
    // A record for a new item: flags made owner-drawn (a separator for id 0), popup handles recorded.
    std::unique_ptr<BCMenuEntry> NewEntry(const std::wstring& text, uint32_t& flags, uintptr_t id);
    bool AppendEntry(std::unique_ptr<BCMenuEntry> entry);
    // Every record of the command (one appended when there is none) gets the text
    // and image; the command's item then shows the last of them.
    bool ChangeRecords(const std::wstring* text, unsigned id, const std::function<void(BCMenuEntry&)>& setImage);
    BCMenuEntry* NewEntryAt(size_t index, uint32_t flags, uintptr_t id, const std::wstring& text);
    BCMenuEntry* TakeUnmarkedEntry(uintptr_t id);
    void SetSyncMarks();
    void DeleteUnmarkedEntries();
    bool LoadToolbar(unsigned toolbarId, ToolbarResource& out);
    COLORREF TransparentColour() const;
    static bool LoadBitmapResource(unsigned id, MenuBitmap& out);
    BCMenu* NewSubMenu() const;

    HMENU m_hMenu = 0;

public:
    std::vector<std::unique_ptr<BCMenuEntry>> m_entries;
    std::vector<HMENU> m_popups;
    COLORREF m_crBitmapBack = 0xC0C0C0;
    bool m_bUseBitmapBack = false;
    bool m_bDibDisabled = false;
    std::shared_ptr<MenuImageList> m_pCheckImages;  // shared with the popups made from this menu
    bool m_bSubMenu = false;
    int m_nSelectedCheckBitmap = -1;
    int m_nCheckBitmap = -1;
    bool m_bIconImages = false;
    bool m_bLoaded = false;
};
