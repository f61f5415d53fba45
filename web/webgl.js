// The web layer's calls into WebGL (declared in web/js_calls.h): the context on
// the page's canvas, one shader that draws clip-space triangles with their
// vertex colours, one vertex buffer made once at its largest and refilled for
// each draw, and the context's loss and restoration.
mergeInto(LibraryManager.library, {
  $webgl__deps: ['$page'],
  $webgl: {
    gl: null,
    bufferBytes: 0,

    // The GPU objects, made at the start and again after a restore.
    make: function() {
      var gl = webgl.gl, program = gl.createProgram();
      [[gl.VERTEX_SHADER, 'attribute vec4 p;attribute vec3 c;varying vec3 v;void main(){gl_Position=p;v=c;}'],
       [gl.FRAGMENT_SHADER, 'precision mediump float;varying vec3 v;void main(){gl_FragColor=vec4(v,1.);}']
      ].forEach(function(stage) {
        var shader = gl.createShader(stage[0]);
        gl.shaderSource(shader, stage[1]);
        gl.compileShader(shader);
        gl.attachShader(program, shader);
      });
      gl.bindAttribLocation(program, 0, 'p');
      gl.bindAttribLocation(program, 1, 'c');
      gl.linkProgram(program);
      gl.useProgram(program);
      gl.bindBuffer(gl.ARRAY_BUFFER, gl.createBuffer());
      gl.bufferData(gl.ARRAY_BUFFER, webgl.bufferBytes, gl.DYNAMIC_DRAW);
      gl.enableVertexAttribArray(0);
      gl.enableVertexAttribArray(1);
      gl.vertexAttribPointer(0, 4, gl.FLOAT, false, 28, 0);
      gl.vertexAttribPointer(1, 3, gl.FLOAT, false, 28, 16);
    }
  },

  webglCreate__deps: ['$webgl'],
  webglCreate: function(depth, alpha, maxVertices) {
    var canvas = page.canvas;
    webgl.bufferBytes = maxVertices * 28;
    webgl.gl = canvas.getContext('webgl', {alpha: !!alpha, depth: !!depth, stencil: false,
                                           antialias: false, premultipliedAlpha: false});
    if (!webgl.gl) {
      page.show('Quendrel needs WebGL, which this browser does not offer or has switched off.');
      return false;
    }
    webgl.make();
    // Cancelling the loss is what lets the browser restore the context; the
    // scene lives in the program and carries on from where it is.
    canvas.addEventListener('webglcontextlost', function(event) {
      event.preventDefault();
      page.pause();
    });
    canvas.addEventListener('webglcontextrestored', function() {
      webgl.make();
      _quendrelApplyRenderState();
      page.resume();
    });
    return true;
  },

  // Without WebGL, the program's GL calls before the end of start-up (its
  // render state) find no context and do nothing.
  webglClearColor: function(red, green, blue, alpha) {
    if (webgl.gl) webgl.gl.clearColor(red, green, blue, alpha);
  },
  webglClearDepth: function(depth) {
    if (webgl.gl) webgl.gl.clearDepth(depth);
  },
  webglClear: function(mask) {
    if (webgl.gl) webgl.gl.clear(mask);
  },
  webglSetCapability: function(capability, on) {
    if (webgl.gl) webgl.gl[on ? 'enable' : 'disable'](capability);
  },
  webglDepthFunc: function(func) {
    if (webgl.gl) webgl.gl.depthFunc(func);
  },
  webglViewport: function(x, y, width, height) {
    if (webgl.gl) webgl.gl.viewport(x, y, width, height);
  },

  webglDrawTriangles: function(vertices, count) {
    var gl = webgl.gl;
    if (!gl) return;
    gl.bufferSubData(gl.ARRAY_BUFFER, 0,
                     HEAPF32.subarray(vertices >> 2, (vertices >> 2) + count * 7));
    gl.drawArrays(gl.TRIANGLES, 0, count);
  }
});
