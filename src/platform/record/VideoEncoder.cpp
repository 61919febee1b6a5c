#include "platform/record/VideoEncoder.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/audio_fifo.h>
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <vector>

namespace zarn {
namespace {

std::string AvError(int code) {
  char text[AV_ERROR_MAX_STRING_SIZE] = {};
  av_strerror(code, text, sizeof(text));
  return text;
}

void Check(int code, const std::string& what) {
  if (code < 0) throw std::runtime_error(what + ": " + AvError(code));
}

}  // namespace

bool VideoKindOf(const std::string& path, VideoKind& kind) {
  std::string lower = path;
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  const auto ends = [&lower](const std::string& tail) {
    return lower.size() > tail.size() &&
           lower.compare(lower.size() - tail.size(), tail.size(), tail) == 0;
  };
  if (ends(".mp4"))
    kind = VideoKind::kMp4;
  else if (ends(".webm"))
    kind = VideoKind::kWebm;
  else if (ends(".gif"))
    kind = VideoKind::kGif;
  else
    return false;
  return true;
}

struct VideoEncoder::State {
  VideoSettings settings;
  AVFormatContext* format = nullptr;
  AVCodecContext* video = nullptr;
  AVCodecContext* audio = nullptr;
  AVStream* video_stream = nullptr;
  AVStream* audio_stream = nullptr;
  SwsContext* scaler = nullptr;
  AVFrame* picture = nullptr;
  AVFrame* sound = nullptr;
  AVAudioFifo* fifo = nullptr;
  AVPacket* packet = nullptr;
  std::vector<uint8_t> last;  // the last frame's pixels
  int64_t next_frame = 0;
  int64_t next_sample = 0;
  bool open = false;
  bool finished = false;

  ~State() {
    if (format != nullptr && !(format->oformat->flags & AVFMT_NOFILE)) avio_closep(&format->pb);
    // Abandoned midway (a failed write): a file that no player could open
    // is not left behind as if it were the recording.
    if (open && !finished) std::remove(settings.path.c_str());
    avcodec_free_context(&video);
    avcodec_free_context(&audio);
    avformat_free_context(format);
    sws_freeContext(scaler);
    av_frame_free(&picture);
    av_frame_free(&sound);
    if (fifo != nullptr) av_audio_fifo_free(fifo);
    av_packet_free(&packet);
  }

  void Drain(AVCodecContext* codec, AVStream* stream) {
    for (;;) {
      const int got = avcodec_receive_packet(codec, packet);
      if (got == AVERROR(EAGAIN) || got == AVERROR_EOF) return;
      Check(got, "encoding the recording");
      // A picture lasts one frame: without it MP4 cuts the last one short.
      if (codec == video && packet->duration == 0) packet->duration = 1;
      av_packet_rescale_ts(packet, codec->time_base, stream->time_base);
      packet->stream_index = stream->index;
      Check(av_interleaved_write_frame(format, packet), "writing " + settings.path);
    }
  }

  void Send(AVCodecContext* codec, AVStream* stream, AVFrame* frame) {
    Check(avcodec_send_frame(codec, frame), "encoding the recording");
    Drain(codec, stream);
  }

  void OpenVideo() {
    const char* name = settings.kind == VideoKind::kMp4    ? "libx264"
                       : settings.kind == VideoKind::kWebm ? "libvpx-vp9"
                                                           : "gif";
    const AVCodec* codec = avcodec_find_encoder_by_name(name);
    if (codec == nullptr) throw std::runtime_error(std::string("no ") + name + " encoder");
    video = avcodec_alloc_context3(codec);
    video->width = settings.width;
    video->height = settings.height;
    video->time_base = AVRational{1, settings.fps};
    video->framerate = AVRational{settings.fps, 1};
    video->flags |= AV_CODEC_FLAG_BITEXACT;
    // Fixed threads: the same script gives the same file on any machine.
    video->thread_count = 2;
    AVPixelFormat pixels = AV_PIX_FMT_YUV420P;
    if (settings.kind == VideoKind::kMp4) {
      video->gop_size = settings.fps * 2;
      av_opt_set(video->priv_data, "preset", "superfast", 0);
      av_opt_set(video->priv_data, "crf", "20", 0);
    } else if (settings.kind == VideoKind::kWebm) {
      pixels = AV_PIX_FMT_YUVA420P;
      video->gop_size = settings.fps * 2;
      av_opt_set(video->priv_data, "deadline", "realtime", 0);
      av_opt_set_int(video->priv_data, "cpu-used", 8, 0);
      av_opt_set_int(video->priv_data, "crf", 32, 0);
      video->bit_rate = 0;
      av_opt_set_int(video->priv_data, "row-mt", 1, 0);
    } else {
      pixels = AV_PIX_FMT_BGR8;
    }
    video->pix_fmt = pixels;
    if (format->oformat->flags & AVFMT_GLOBALHEADER) video->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    Check(avcodec_open2(video, codec, nullptr), std::string("opening the ") + name + " encoder");
    video_stream = avformat_new_stream(format, nullptr);
    video_stream->time_base = video->time_base;
    Check(avcodec_parameters_from_context(video_stream->codecpar, video), "video stream");
    if (settings.kind == VideoKind::kWebm) {
      // Players keep the alpha channel only when the stream says it has one.
      av_dict_set(&video_stream->metadata, "alpha_mode", "1", 0);
    }

    picture = av_frame_alloc();
    picture->format = pixels;
    picture->width = settings.width;
    picture->height = settings.height;
    Check(av_frame_get_buffer(picture, 0), "frame buffer");
    scaler = sws_getContext(settings.width, settings.height, AV_PIX_FMT_BGRA, settings.width,
                            settings.height, pixels, SWS_POINT, nullptr, nullptr, nullptr);
    if (scaler == nullptr) throw std::runtime_error("cannot convert frames for the recording");
  }

  void OpenAudio() {
    const bool mp4 = settings.kind == VideoKind::kMp4;
    const char* name = mp4 ? "aac" : "libopus";
    const AVCodec* codec = avcodec_find_encoder_by_name(name);
    if (codec == nullptr) throw std::runtime_error(std::string("no ") + name + " encoder");
    audio = avcodec_alloc_context3(codec);
    audio->sample_rate = kAudioRate;
    audio->ch_layout = AV_CHANNEL_LAYOUT_STEREO;
    audio->sample_fmt = mp4 ? AV_SAMPLE_FMT_FLTP : AV_SAMPLE_FMT_FLT;
    audio->bit_rate = 128000;
    audio->time_base = AVRational{1, kAudioRate};
    audio->flags |= AV_CODEC_FLAG_BITEXACT;
    if (format->oformat->flags & AVFMT_GLOBALHEADER) audio->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    Check(avcodec_open2(audio, codec, nullptr), std::string("opening the ") + name + " encoder");
    audio_stream = avformat_new_stream(format, nullptr);
    audio_stream->time_base = audio->time_base;
    Check(avcodec_parameters_from_context(audio_stream->codecpar, audio), "audio stream");
    fifo = av_audio_fifo_alloc(AV_SAMPLE_FMT_FLT, 2, kAudioRate);
    sound = av_frame_alloc();
  }

  // Encodes whole codec frames from the FIFO; at the end, the rest too.
  void EncodeAudio(bool last) {
    const int size = audio->frame_size > 0 ? audio->frame_size : 1024;
    while (av_audio_fifo_size(fifo) >= size || (last && av_audio_fifo_size(fifo) > 0)) {
      std::vector<float> chunk(static_cast<size_t>(size) * 2, 0.0f);
      void* target = chunk.data();
      const int got = av_audio_fifo_read(fifo, &target, size);
      // The last chunk keeps its own length where the encoder allows, so
      // the sound does not outlast the picture.
      const bool short_last =
          got < size && (audio->codec->capabilities & AV_CODEC_CAP_SMALL_LAST_FRAME);
      const int samples = short_last ? got : size;
      av_frame_unref(sound);
      sound->format = audio->sample_fmt;
      sound->ch_layout = audio->ch_layout;
      sound->sample_rate = kAudioRate;
      // Otherwise a short last chunk is padded with silence.
      sound->nb_samples = samples;
      Check(av_frame_get_buffer(sound, 0), "audio buffer");
      if (audio->sample_fmt == AV_SAMPLE_FMT_FLTP) {
        auto* left = reinterpret_cast<float*>(sound->data[0]);
        auto* right = reinterpret_cast<float*>(sound->data[1]);
        for (int i = 0; i < samples; ++i) {
          left[i] = chunk[static_cast<size_t>(i) * 2];
          right[i] = chunk[static_cast<size_t>(i) * 2 + 1];
        }
      } else {
        std::copy(chunk.begin(), chunk.begin() + 2 * samples,
                  reinterpret_cast<float*>(sound->data[0]));
      }
      sound->pts = next_sample;
      next_sample += samples;
      Send(audio, audio_stream, sound);
    }
  }
};

VideoEncoder::VideoEncoder(const VideoSettings& settings) : state_(std::make_unique<State>()) {
  // The encoders' own chatter is not for our users; errors come back to us.
  av_log_set_level(AV_LOG_ERROR);
  State& s = *state_;
  s.settings = settings;
  // Beyond 8K a frame would not fit the encoders' limits (or memory).
  if (settings.width <= 0 || settings.height <= 0 || settings.width % 2 || settings.height % 2 ||
      settings.width > 7680 || settings.height > 4320) {
    throw std::runtime_error("the frame size must be even and at most 7680x4320, such as 1280x720");
  }
  if (settings.kind == VideoKind::kGif) s.settings.audio = false;
  Check(avformat_alloc_output_context2(&s.format, nullptr, nullptr, settings.path.c_str()),
        "cannot record to " + settings.path);
  s.format->flags |= AVFMT_FLAG_BITEXACT;
  s.packet = av_packet_alloc();
  s.OpenVideo();
  if (s.settings.audio) s.OpenAudio();
  if (!(s.format->oformat->flags & AVFMT_NOFILE)) {
    Check(avio_open(&s.format->pb, settings.path.c_str(), AVIO_FLAG_WRITE),
          "cannot write " + settings.path);
  }
  Check(avformat_write_header(s.format, nullptr), "cannot write " + settings.path);
  s.open = true;
}

VideoEncoder::~VideoEncoder() = default;

void VideoEncoder::AddFrame(const uint8_t* pixels, int stride) {
  State& s = *state_;
  Check(av_frame_make_writable(s.picture), "frame buffer");
  sws_scale(s.scaler, &pixels, &stride, 0, s.settings.height, s.picture->data, s.picture->linesize);
  s.picture->pts = s.next_frame++;
  s.Send(s.video, s.video_stream, s.picture);
}

void VideoEncoder::AddAudio(const float* samples, int frames) {
  State& s = *state_;
  if (!s.audio || frames <= 0) return;
  void* data = const_cast<float*>(samples);
  if (av_audio_fifo_write(s.fifo, &data, frames) < frames) {
    throw std::runtime_error("out of memory for the recording's sound");
  }
  s.EncodeAudio(false);
}

void VideoEncoder::Finish() {
  State& s = *state_;
  if (s.finished) return;
  if (s.audio) {
    s.EncodeAudio(true);
    s.Send(s.audio, s.audio_stream, nullptr);
  }
  s.Send(s.video, s.video_stream, nullptr);
  Check(av_write_trailer(s.format), "finishing " + s.settings.path);
  s.finished = true;
}

}  // namespace zarn
