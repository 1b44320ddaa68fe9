#pragma once
// Extension blocks of a frame and the registries that find the class of a block by its
// label (and, for application blocks, by their identifier).
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "gif/gif_items.h"

class TGIFExtension;

// What the registries hold for a block class: how to make one for a frame and how to hand
// over to a more specific class once more of the block has been seen.
struct TGIFExtensionClass {
    std::string Name;
    std::function<std::unique_ptr<TGIFExtension>(TGIFSubImage* subImage)> Create;
    // Answers the class to use after looking at the stream (which the caller rewinds);
    // a class that needs no more answers itself. Null means "answer yourself".
    std::function<const TGIFExtensionClass*(TStream& stream)> FindSubExtension;
};

class TGIFExtension : public TGIFItem {
public:
    explicit TGIFExtension(TGIFSubImage* subImage);
    std::string ClassName() const override { return "TGIFExtension"; }
    TGIFVersion GetVersion() const override { return gv89a; }
    virtual BYTE GetExtensionType() const = 0;

    TGIFSubImage* SubImage() const { return subImage_; }
    void SetSubImage(TGIFSubImage* subImage);

    // Later registrations win over earlier ones for the same label.
    static void RegisterExtension(BYTE label, const TGIFExtensionClass* cls);
    // With the stream just past the introducer: reads the label (and what the class needs to
    // decide), puts the position back and answers the class (null when unregistered).
    static const TGIFExtensionClass* FindExtension(TStream& stream);

protected:
    // Reads introducer and label and checks them against this class.
    void ReadExtensionStart(TStream& stream);
    void WriteExtensionStart(TStream& stream);

private:
    TGIFSubImage* subImage_;
};

#pragma pack(push, 1)
struct TGraphicControlExtensionRec {
    BYTE BlockSize = 4;
    BYTE PackedFields = 0;
    WORD DelayTime = 0;
    BYTE TransparentColorIndex = 0;
    BYTE Terminator = 0;
};
struct TPlainTextExtensionRec {
    BYTE BlockSize = 12;
    WORD Left = 0;
    WORD Top = 0;
    WORD Width = 0;
    WORD Height = 0;
    BYTE CellWidth = 0;
    BYTE CellHeight = 0;
    BYTE TextFGColorIndex = 0;
    BYTE TextBGColorIndex = 0;
};
struct TApplicationRec {
    char Identifier[8] = {};
    char Authentication[3] = {};
};
#pragma pack(pop)
static_assert(sizeof(TGraphicControlExtensionRec) == 6);
static_assert(sizeof(TPlainTextExtensionRec) == 13);
static_assert(sizeof(TApplicationRec) == 11);

constexpr BYTE bsPlainTextExtension = 0x01;
constexpr BYTE bsGraphicControlExtension = 0xF9;
constexpr BYTE bsCommentExtension = 0xFE;
constexpr BYTE bsApplicationExtension = 0xFF;

class TGIFGraphicControlExtension : public TGIFExtension {
public:
    explicit TGIFGraphicControlExtension(TGIFSubImage* subImage);
    ~TGIFGraphicControlExtension() override;
    std::string ClassName() const override { return "TGIFGraphicControlExtension"; }
    BYTE GetExtensionType() const override { return bsGraphicControlExtension; }
    void SaveToStream(TStream& stream) override;
    void LoadFromStream(TStream& stream) override;
    static const TGIFExtensionClass* Class();

    WORD GetDelay() const { return gce_.DelayTime; }
    void SetDelay(WORD value) { gce_.DelayTime = value; }
    bool GetTransparent() const { return (gce_.PackedFields & 0x01) != 0; }
    void SetTransparent(bool value);
    BYTE GetTransparentColorIndex() const { return gce_.TransparentColorIndex; }
    void SetTransparentColorIndex(BYTE index);
    TColor GetTransparentColor();
    void SetTransparentColor(TColor color);
    bool GetUserInput() const { return (gce_.PackedFields & 0x02) != 0; }
    void SetUserInput(bool value);
    TDisposalMethod GetDisposal() const { return TDisposalMethod((gce_.PackedFields >> 2) & 0x07); }
    void SetDisposal(TDisposalMethod value);
    const TGraphicControlExtensionRec& Rec() const { return gce_; }

private:
    TGraphicControlExtensionRec gce_;
};

class TGIFTextExtension : public TGIFExtension {
public:
    explicit TGIFTextExtension(TGIFSubImage* subImage) : TGIFExtension(subImage) {}
    std::string ClassName() const override { return "TGIFTextExtension"; }
    BYTE GetExtensionType() const override { return bsPlainTextExtension; }
    void SaveToStream(TStream& stream) override;
    void LoadFromStream(TStream& stream) override;
    static const TGIFExtensionClass* Class();

    TPlainTextExtensionRec& Rec() { return rec_; }
    std::vector<std::string> Text;
    TColor GetForegroundColor();
    void SetForegroundColor(TColor color);
    TColor GetBackgroundColor();
    void SetBackgroundColor(TColor color);

private:
    TPlainTextExtensionRec rec_;
};

class TGIFCommentExtension : public TGIFExtension {
public:
    explicit TGIFCommentExtension(TGIFSubImage* subImage) : TGIFExtension(subImage) {}
    std::string ClassName() const override { return "TGIFCommentExtension"; }
    BYTE GetExtensionType() const override { return bsCommentExtension; }
    void SaveToStream(TStream& stream) override;
    void LoadFromStream(TStream& stream) override;
    static const TGIFExtensionClass* Class();

    std::vector<std::string> Text;
};

class TGIFApplicationExtension : public TGIFExtension {
public:
    explicit TGIFApplicationExtension(TGIFSubImage* subImage) : TGIFExtension(subImage) {}
    std::string ClassName() const override { return "TGIFApplicationExtension"; }
    BYTE GetExtensionType() const override { return bsApplicationExtension; }
    void SaveToStream(TStream& stream) override;
    void LoadFromStream(TStream& stream) override;
    static const TGIFExtensionClass* Class();

    std::string GetIdentifier() const;
    void SetIdentifier(const std::string& value);
    std::string GetAuthentication() const;
    void SetAuthentication(const std::string& value);

    // Later registrations win over earlier ones for the same 11 bytes.
    static void RegisterExtension(const std::string& identifierAndAuthentication,
                                  const TGIFExtensionClass* cls);

protected:
    virtual void SaveData(TStream& stream) = 0;
    virtual void LoadData(TStream& stream) = 0;
    TApplicationRec ident_;
};

// One raw data sub-block.
struct TGIFBlock {
    std::vector<BYTE> Data; // 1..255 bytes
};

class TGIFUnknownAppExtension : public TGIFApplicationExtension {
public:
    explicit TGIFUnknownAppExtension(TGIFSubImage* subImage) : TGIFApplicationExtension(subImage) {}
    std::string ClassName() const override { return "TGIFUnknownAppExtension"; }
    static const TGIFExtensionClass* Class();
    std::vector<TGIFBlock> Blocks;

protected:
    void SaveData(TStream& stream) override;
    void LoadData(TStream& stream) override;
};

class TGIFAppExtNSLoop : public TGIFApplicationExtension {
public:
    explicit TGIFAppExtNSLoop(TGIFSubImage* subImage);
    std::string ClassName() const override { return "TGIFAppExtNSLoop"; }
    static const TGIFExtensionClass* Class();
    WORD Loops = 0;          // 0 = endless
    DWORD BufferSize = 0;    // 0 = not written

protected:
    void SaveData(TStream& stream) override;
    void LoadData(TStream& stream) override;
};

// Frees both registries (library end); they are made again on next use.
void FreeExtensionRegistries();
