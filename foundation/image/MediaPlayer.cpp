#include "foundation/image/MediaPlayer.h"

#include "foundation/core/Versions.h"
#include "foundation/image/AviFile.h"
#include "platform/ChoiceDialog.h"

#include <QUrl>

CMediaPlayer* g_mediaPlayer = nullptr;
CMediaPlayer* g_mediaPlayerSecond = nullptr;
bool g_mediaHasVideo = false;

namespace {

// Containers of ordinary video files (FFmpeg's demuxer names); no playlists, lists
// of other files or image sequences.
constexpr const char* kVideoDemuxers = "avi,mov,matroska,webm,mpeg,mpegts,asf,flv,ogg";

} // namespace

bool CMediaItem::Open(const std::string& url)
{
    const QUrl parsed(QString::fromStdString(url));
    const std::string path = parsed.isLocalFile() ? parsed.toLocalFile().toStdString() : url;
    AviReader reader;
    m_hasVideo = reader.Open(path, kVideoDemuxers);
    m_open = m_hasVideo;
    return m_open;
}

bool CMediaItem::HasVideo(bool* hasVideo, bool* selected) const
{
    if (!m_open)
        return false;
    if (hasVideo)
        *hasVideo = m_hasVideo;
    if (selected)
        *selected = m_hasVideo;
    return true;
}

void OnMediaPlayerEvent(const MediaPlayerEvent* event)
{
    if (!event)
        return;
    if (event->failed) {
        CVersions::Print(false, "Playback error");
        return;
    }
    if (event->type == kMediaItemCreated)
        OnMediaItemCreated(event);
    else if (event->type == kMediaItemSet)
        OnMediaItemSet(event);
}

void OnMediaItemCreated(const MediaPlayerEvent* event)
{
    if (!g_mediaPlayer || !event)
        return;
    bool hasVideo = false, selected = false;
    if (!event->item || !event->item->HasVideo(&hasVideo, &selected)) {
        CVersions::Print(false, "Error playing this file.");
        return;
    }
    g_mediaHasVideo = hasVideo && selected;
    g_mediaPlayer->SetMediaItem(event->item);
}

void OnMediaItemSet(const MediaPlayerEvent*)
{
    if (g_mediaPlayer && !g_mediaPlayer->Play())
        CVersions::Print(false, "IMFPMediaPlayer::Play failed.");
}

std::string ChooseFileToPlay() { return platform::ChooseFileUrl("Select a File to Play"); }

void ReleaseMediaPlayer(CMediaPlayer** player)
{
    if (player && *player) {
        delete *player;
        *player = nullptr;
    }
}
