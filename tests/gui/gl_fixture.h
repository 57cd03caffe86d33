#pragma once
// An offscreen GL context with a framebuffer to draw into and read back (GUI tests).
#include "platform/GL.h"
#include "platform/GLWindow.h"

#include <QImage>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFramebufferObject>
#include <memory>

class GLTestContext {
public:
    // Creates the context and a w x h framebuffer (depth + stencil) and binds it.
    bool Init(int w = 64, int h = 64)
    {
        m_surface.setFormat(platform::DefaultGLFormat());
        m_surface.create();
        m_context.setFormat(platform::DefaultGLFormat());
        if (!m_context.create() || !m_context.makeCurrent(&m_surface))
            return false;
        QOpenGLFramebufferObjectFormat f;
        f.setAttachment(QOpenGLFramebufferObject::CombinedDepthStencil);
        m_fbo = std::make_unique<QOpenGLFramebufferObject>(w, h, f);
        if (!m_fbo->isValid())
            return false;
        m_fbo->bind();
        glViewport(0, 0, w, h);
        return true;
    }
    ~GLTestContext()
    {
        if (m_context.isValid() && m_context.makeCurrent(&m_surface)) {
            m_fbo.reset();
            m_context.doneCurrent();
        }
    }
    // The framebuffer's pixels, top row first.
    QImage Grab() { return m_fbo->toImage(); }
    int Width() const { return m_fbo ? m_fbo->width() : 0; }
    int Height() const { return m_fbo ? m_fbo->height() : 0; }
    QOpenGLContext& Context() { return m_context; }

private:
    QOffscreenSurface m_surface;
    QOpenGLContext m_context;
    std::unique_ptr<QOpenGLFramebufferObject> m_fbo;
};

// How many pixels of the picture match.
inline int CountPixels(const QImage& img, bool (*match)(QRgb))
{
    int n = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            n += match(img.pixel(x, y)) ? 1 : 0;
    return n;
}
