#pragma once

// Reads a recorded video back with FFmpeg's libraries: every picture as
// RGBA with its time, and the sound as mono samples.

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/imgutils.h>
#include <libswscale/swscale.h>
}

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

namespace zarn::testing {

struct Picture {
  double t = 0;
  std::vector<uint8_t> rgba;
};

struct ReadVideo {
  std::string error;
  double duration = 0;  // the container's
  int width = 0;
  int height = 0;
  std::string video_codec;
  bool alpha_tagged = false;
  std::vector<Picture> pictures;
  int sample_rate = 0;
  std::vector<float> sound;  // mono

  // The picture shown at `t`: the last one starting at or before it.
  const Picture* At(double t) const {
    const Picture* found = nullptr;
    for (const Picture& p : pictures) {
      if (p.t <= t + 1e-6) found = &p;
    }
    return found;
  }
  const uint8_t* Pixel(const Picture& p, int x, int y) const {
    return &p.rgba[(static_cast<size_t>(y) * width + x) * 4];
  }
  double Loudness(double from, double to) const {
    const auto a = static_cast<size_t>(std::max(0.0, from * sample_rate));
    const auto b = std::min(sound.size(), static_cast<size_t>(to * sample_rate));
    double sum = 0;
    for (size_t i = a; i < b; ++i) sum += sound[i] * sound[i];
    return b > a ? std::sqrt(sum / static_cast<double>(b - a)) : 0;
  }
};

inline ReadVideo ReadVideoFile(const std::string& path) {
  ReadVideo out;
  av_log_set_level(AV_LOG_FATAL);
  AVFormatContext* format = nullptr;
  if (avformat_open_input(&format, path.c_str(), nullptr, nullptr) < 0) {
    out.error = "cannot open " + path;
    return out;
  }
  avformat_find_stream_info(format, nullptr);
  out.duration = format->duration > 0 ? static_cast<double>(format->duration) / AV_TIME_BASE : 0;
  AVCodecContext* decoders[16] = {};
  for (unsigned i = 0; i < format->nb_streams && i < 16; ++i) {
    const AVCodecParameters* par = format->streams[i]->codecpar;
    const AVCodec* codec = avcodec_find_decoder(par->codec_id);
    // FFmpeg's own VP9 decoder drops the alpha channel; libvpx keeps it.
    if (par->codec_id == AV_CODEC_ID_VP9) codec = avcodec_find_decoder_by_name("libvpx-vp9");
    if (codec == nullptr) continue;
    decoders[i] = avcodec_alloc_context3(codec);
    avcodec_parameters_to_context(decoders[i], par);
    avcodec_open2(decoders[i], codec, nullptr);
    if (par->codec_type == AVMEDIA_TYPE_VIDEO) {
      out.width = par->width;
      out.height = par->height;
      out.video_codec = avcodec_get_name(par->codec_id);
      out.alpha_tagged = av_dict_get(format->streams[i]->metadata, "alpha_mode", nullptr, 0);
    } else if (par->codec_type == AVMEDIA_TYPE_AUDIO) {
      out.sample_rate = par->sample_rate;
    }
  }
  AVPacket* packet = av_packet_alloc();
  AVFrame* frame = av_frame_alloc();
  auto take = [&](unsigned index) {
    AVCodecContext* codec = decoders[index];
    const AVRational base = format->streams[index]->time_base;
    while (avcodec_receive_frame(codec, frame) == 0) {
      if (codec->codec_type == AVMEDIA_TYPE_VIDEO) {
        Picture picture;
        picture.t = static_cast<double>(frame->best_effort_timestamp) * av_q2d(base);
        picture.rgba.resize(static_cast<size_t>(out.width) * out.height * 4);
        SwsContext* sws = sws_getContext(
            frame->width, frame->height, static_cast<AVPixelFormat>(frame->format), out.width,
            out.height, AV_PIX_FMT_RGBA, SWS_POINT, nullptr, nullptr, nullptr);
        uint8_t* dst[1] = {picture.rgba.data()};
        int stride[1] = {out.width * 4};
        sws_scale(sws, frame->data, frame->linesize, 0, frame->height, dst, stride);
        sws_freeContext(sws);
        out.pictures.push_back(std::move(picture));
      } else {
        const int channels = frame->ch_layout.nb_channels;
        for (int s = 0; s < frame->nb_samples; ++s) {
          float sum = 0;
          for (int c = 0; c < channels; ++c) {
            if (frame->format == AV_SAMPLE_FMT_FLTP) {
              sum += reinterpret_cast<const float*>(frame->data[c])[s];
            } else if (frame->format == AV_SAMPLE_FMT_FLT) {
              sum += reinterpret_cast<const float*>(frame->data[0])[s * channels + c];
            }
          }
          out.sound.push_back(sum / static_cast<float>(channels));
        }
      }
    }
  };
  while (av_read_frame(format, packet) >= 0) {
    const auto index = static_cast<unsigned>(packet->stream_index);
    if (index < 16 && decoders[index] != nullptr) {
      avcodec_send_packet(decoders[index], packet);
      take(index);
    }
    av_packet_unref(packet);
  }
  for (unsigned i = 0; i < format->nb_streams && i < 16; ++i) {
    if (decoders[i] == nullptr) continue;
    avcodec_send_packet(decoders[i], nullptr);
    take(i);
    avcodec_free_context(&decoders[i]);
  }
  av_frame_free(&frame);
  av_packet_free(&packet);
  avformat_close_input(&format);
  return out;
}

}  // namespace zarn::testing
